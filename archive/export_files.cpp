#include "archive/export_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace archive {
namespace {

std::string Why() { return std::strerror(errno); }

}  // namespace

ExportFileSet::~ExportFileSet() {
  for (auto* f : files_) std::fclose(f);
}

void ExportFileSet::Create(const std::vector<std::string>& paths) {
  Close();
  for (const auto& path : paths) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw platform::FileError("Не удалось создать файл " + path + ": " + Why());
    std::setvbuf(f, nullptr, _IONBF, 0);  // an append reaches the disk whole or fails now
    files_.push_back(f);
    paths_.push_back(path);
  }
}

void ExportFileSet::Append(std::size_t i, const std::string& bytes) {
  if (i >= files_.size())
    throw platform::FileError("Файл архива не открыт: нажмите «Старт» перед чтением архива");
  std::FILE* f = files_[i];
  if (std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size()) return;
  const std::string failure = "Ошибка записи в файл " + paths_[i] + ": " + Why();
  // What did reach the disk is taken back: no report is left cut short, looking whole.
  [[maybe_unused]] const int emptied = ::ftruncate(::fileno(f), 0);
  throw platform::FileError(failure);
}

void ExportFileSet::Close() {
  std::string failed;
  for (std::size_t i = 0; i < files_.size(); ++i)
    if (std::fclose(files_[i]) != 0 && failed.empty())
      failed = "Ошибка записи в файл " + paths_[i] + ": " + Why();
  files_.clear();
  paths_.clear();
  if (!failed.empty()) throw platform::FileError(failed);
}

void CheckFileStamp(const std::string& stamp) {
  const bool escapes = stamp.find('/') != std::string::npos ||
                       stamp.find("..") != std::string::npos;
  bool control = false;
  for (unsigned char c : stamp) control = control || c < 0x20 || c == 0x7F;
  if (escapes || control)
    throw platform::FileError("Недопустимое имя файла «" + stamp +
                              "»: символы «/», «..» и управляющие символы не допускаются");
}

}  // namespace archive
