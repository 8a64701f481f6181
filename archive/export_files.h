#pragma once
// The nine export files of a connection: created empty at Start, held open until Stop, and
// appended to by the export. Every failure is a FileError naming the file.
#include <cstdio>
#include <string>
#include <vector>

namespace archive {

class ExportFileSet {
 public:
  ExportFileSet() = default;
  ~ExportFileSet();
  ExportFileSet(const ExportFileSet&) = delete;
  ExportFileSet& operator=(const ExportFileSet&) = delete;

  // Creates the files empty, in order (an existing file is emptied). A file that cannot be
  // created ends the step there; the files created before it stay created and open.
  void Create(const std::vector<std::string>& paths);
  // Appends bytes to file i, straight to the disk's cache, so that a full disk is known now,
  // not at Stop; a file that cannot take them all is left empty.
  void Append(std::size_t i, const std::string& bytes);
  // Closes every open file; a failure to write out what was buffered is a FileError after
  // all files are closed.
  void Close();
  bool IsOpen() const { return !files_.empty(); }
  const std::vector<std::string>& paths() const { return paths_; }

 private:
  std::vector<std::FILE*> files_;
  std::vector<std::string> paths_;
};

// A file stamp that would put files outside their folder ("/", "..", control characters) is
// refused with a FileError that says why.
void CheckFileStamp(const std::string& stamp);

}  // namespace archive
