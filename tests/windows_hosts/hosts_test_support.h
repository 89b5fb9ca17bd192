// What the tests of the Windows hosts share: the files they open, the
// pictures `zavik` makes of them (the reference), and the DLLs loaded by
// path as the shell and WIC load them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hosts_test {

// An 8-bit picture, 4 bytes a pixel, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};

// The samples and the regression picture with an alpha channel.
std::vector<std::string> InputFiles();
std::string SamplePath(const std::string& name);
std::string RegressionPath(const std::string& name);
std::string Contents(const std::string& path);

// Runs the build's zavik.exe with the arguments (each quoted) and returns
// its exit code.
DWORD RunZavik(const std::vector<std::string>& arguments);

// Reads a PNG or BMP that `zavik` wrote, through the library, as RGBA.
bool ReadPicture(const std::string& path, Pixels& out);

// Loads one of the build's DLLs (or the one named by the environment
// variable, for the installed copy) and asks it for a class object.
HMODULE LoadHostDll(const char* name, const char* environmentOverride);
HRESULT GetClassObjectFrom(HMODULE dll, REFCLSID clsid, REFIID riid, void** out);

std::wstring Widen(const std::string& text);

} // namespace hosts_test
