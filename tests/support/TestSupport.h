// Helpers shared by the tests: temporary files and running the built tool.
#ifndef MAPTAG_TESTS_SUPPORT_TESTSUPPORT_H_
#define MAPTAG_TESTS_SUPPORT_TESTSUPPORT_H_

#include <string>
#include <vector>

class TLabelList;

namespace testsupport {

// A fresh empty directory under the system's temporary directory, removed
// with everything in it when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const;
  // Writes content to File(name) and returns that path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// The whole content of a file; throws std::runtime_error if it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

struct RunResult {
  int status = -1;         // exit status, or 128 + signal number
  std::string out;         // everything written to standard output
  std::string err;         // everything written to standard error
  long peak_rss_kb = 0;    // peak resident size of the child
};

// Runs the built Maptag binary with the given arguments (argv[1..]).
RunResult RunMaptag(const std::vector<std::string>& args);

// A label list as "name=value name=value" in list order (values as a
// stream writes them), or "null" for no list.
std::string Show(const TLabelList* list);

// Path of a file in the source tree (for fixtures and examples).
std::string SourcePath(const std::string& relative);

}  // namespace testsupport

#endif  // MAPTAG_TESTS_SUPPORT_TESTSUPPORT_H_
