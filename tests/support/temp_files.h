// A temporary folder for a test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

class TempDir {
public:
    TempDir()
    {
        static int counter = 0;
        auto base = std::filesystem::temp_directory_path();
        for (;;) {
            dir_ = base / ("zavik_test_" + std::to_string(Pid()) + "_" + std::to_string(counter++));
            if (std::filesystem::create_directory(dir_))
                break;
        }
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Writes the bytes into a file of the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::string path = Path(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

private:
    static long Pid();
    std::filesystem::path dir_;
};
