// A gauge module file opened with the platform's own loader.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace bench {

class ModuleLibrary {
 public:
  // Opens the file; on failure returns null and says why in `error`.
  static std::unique_ptr<ModuleLibrary> Open(const std::filesystem::path& file,
                                             std::string& error);
  ~ModuleLibrary();
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;

  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;
  const std::filesystem::path& file() const { return file_; }
  void* handle() const { return handle_; }

  // The file name the platform's modules carry: "levelset.so", "levelset.gau".
  static std::string FileName(const std::string& gauge);

 private:
  ModuleLibrary(void* handle, std::filesystem::path file)
      : handle_(handle), file_(std::move(file)) {}
  void* handle_;
  std::filesystem::path file_;
};

}  // namespace bench
