// Small helpers shared by the settings tests: a temporary folder, writing files byte for byte,
// a file placed in the executable's ini folder, and a working-directory change undone on exit.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace rmtest {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::string templ = (fs::temp_directory_path() / "rm-settings-XXXXXX").string();
        if (mkdtemp(templ.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        fPath = templ;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(fPath, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return fPath; }
    std::string operator/(const std::string& name) const { return (fPath / name).string(); }

  private:
    fs::path fPath;
};

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

inline fs::path ExecutableFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// ini/LocalSetting.ini beside the test executable, removed again (with the folder, when this
// created it) at the end of the scope.
class DefaultIniFile {
  public:
    explicit DefaultIniFile(const std::string& bytes) {
        const fs::path dir = ExecutableFolder() / "ini";
        fCreatedDir = !fs::exists(dir);
        fPath = dir / "LocalSetting.ini";
        WriteBytes(fPath, bytes);
    }
    ~DefaultIniFile() {
        std::error_code ec;
        fs::remove(fPath, ec);
        if (fCreatedDir)
            fs::remove(fPath.parent_path(), ec);
    }
    DefaultIniFile(const DefaultIniFile&) = delete;
    DefaultIniFile& operator=(const DefaultIniFile&) = delete;
    const fs::path& path() const { return fPath; }

  private:
    fs::path fPath;
    bool fCreatedDir = false;
};

class WorkingDirectory {
  public:
    explicit WorkingDirectory(const fs::path& dir) : fSaved(fs::current_path()) {
        fs::current_path(dir);
    }
    ~WorkingDirectory() {
        std::error_code ec;
        fs::current_path(fSaved, ec);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    fs::path fSaved;
};

}  // namespace rmtest
