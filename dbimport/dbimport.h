// dbimport/dbimport.h - database tables into an XML element tree
// (pathvex-x86 only).
//
// ImportDatabase connects through ADO (the platform's Connection object),
// runs "SELECT * FROM table" for each listed table and builds a tree: root
// "db", one element per table, one element per row, the chosen fields as
// attributes. It runs on the calling thread, which must have initialised
// COM. Failure is the return value: null when no connection can be made;
// a table that cannot be read, or whose names are unsafe, is left out.
// Everything ADO hands out is closed and released before it returns.
#pragma once
#include <cstdint>

class XMLElement;

struct DB_IMPORT_TABLE {
    char table[256];         // the table's name: a plain identifier ([A-Za-z_][A-Za-z0-9_]*), or the table is skipped
    char rowElement[100];    // each row's element name: an XML name, or the table is skipped
    int32_t fieldCount;      // entries in the two lists below; 0 or less: rows without attributes
    const char* const* fieldNames;       // fields that become attributes, UTF-8, matched exactly; null: none
    const char* const* attributeNames;   // attribute for the field at the same place; null list or entry: the field's name
};

struct DB_IMPORT {
    const char* database;           // the data source, put into the connection string; null is ""
    const char* connectionFormat;   // printf form with one "%s" for the database ("%%" for a percent); null: Jet
    int32_t tableCount;
    const DB_IMPORT_TABLE* tables;  // tableCount records
};

// The new tree's root "db" (the caller owns it), or null when import is
// null, the connection format has a conversion other than one "%s" or does
// not fit 1000 bytes, or the Connection cannot be created or opened.
// Nothing in the program calls it: pathvex-x86 exports it by this plain name
// for whoever loads the program file.
extern "C" __declspec(dllexport) XMLElement* ImportDatabase(const DB_IMPORT* import);
