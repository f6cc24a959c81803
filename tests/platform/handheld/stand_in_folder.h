// A temporary folder holding the stand-in "RIL.DLL" and "GPSAPI.dll" (whole
// or partial) with their scripts and logs, for the tests that load them.
#pragma once
#include <doctest.h>

#include "stand_in_scripts.h"
#include "support/test_support.h"
#include "support/window_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace standin {

inline constexpr DWORD kWaitMs = 15000;

inline bool WaitFor(const std::function<bool()>& done, DWORD ms = kWaitMs) { return testsupport::WaitFor(done, ms); }

// "Z:\..." for a folder the build names in the environment.
inline std::string BuildFolder(const char* variable)
{
    REQUIRE_MESSAGE(std::getenv(variable), variable, " is not set");
    return testsupport::EnvPath(variable);
}

enum class Libraries { None, Whole, Partial };

// The stand-ins in a temporary folder of their own, or in a given one (a
// program's).
class Folder {
public:
    explicit Folder(Libraries which, const std::string& path = "") : path_(path.empty() ? own_.Path() : path)
    {
        if (which == Libraries::None)
            return;
        const std::string from = BuildFolder(which == Libraries::Whole ? "PATHVEX_STAND_IN_DIR"
                                                                       : "PATHVEX_STAND_IN_PARTIAL_DIR");
        for (const char* name : {"RIL.DLL", "GPSAPI.dll"})
            REQUIRE(CopyFileA((from + "\\" + name).c_str(), File(name).c_str(), FALSE));
    }
    std::wstring WPath() const { return std::wstring(path_.begin(), path_.end()); }
    std::string File(const char* name) const { return path_ + "\\" + name; }
    std::string Text(const char* name) const { return testsupport::FileText(File(name)); }
    bool Has(const char* log, const std::string& line) const
    {
        return Text(log).find(line + "\r\n") != std::string::npos;
    }
    // Adds one line to the radio layer's script (the line feed is added).
    void Radio(const std::string& line) const { Append(kRilScript, line + "\n"); }
    // Adds one step to the GPS driver's script.
    void Drive(const GPS_DRIVER_STEP& step) const
    {
        Append(kGpsScript, std::string(reinterpret_cast<const char*>(&step), sizeof step));
    }
    // The radio layer has played script line n (from 1).
    bool WaitPlayed(size_t n) const { return WaitFor([&] { return Has(kRilLog, "played " + std::to_string(n)); }); }
    // Times the GPS driver's log holds text.
    size_t Count(const char* log, const std::string& text) const { return testsupport::CountOf(Text(log), text); }

private:
    void Append(const char* name, const std::string& bytes) const
    {
        FILE* f = std::fopen(File(name).c_str(), "ab");
        REQUIRE(f);
        CHECK(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
        std::fclose(f);
    }

    testsupport::TempDir own_;
    std::string path_;
};

// A position step with everything valid; tests change what they need.
inline GPS_DRIVER_STEP PositionStep(double latitude, double longitude)
{
    GPS_DRIVER_STEP s{};
    GPS_DRIVER_POSITION& r = s.record;
    r.version = kGpsDriverVersion1;
    r.size = sizeof r;
    r.validFields = kGpsValidUtcTime | kGpsValidLatitude | kGpsValidLongitude | kGpsValidSpeed | kGpsValidHeading |
                    kGpsValidMagneticVariation | kGpsValidSatellitesInView;
    r.latitude = latitude;
    r.longitude = longitude;
    r.fixQuality = 1;
    return s;
}

}  // namespace standin
