#include "support/TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Working/DataObject/Labels.h"

extern char** environ;

namespace testsupport {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "maptag-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

std::string TempDir::Write(const std::string& name, const std::string& content) const {
  const std::string path = File(name);
  std::ofstream out(path, std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string Show(const TLabelList* list) {
  if (list == nullptr) return "null";
  std::ostringstream out;
  for (int i = 0; i < list->count; ++i) {
    if (i > 0) out << ' ';
    out << list->labels[i].name << '=' << list->labels[i].value;
  }
  return out.str();
}

std::string SourcePath(const std::string& relative) {
  return std::string(MAPTAG_SOURCE_DIR) + "/" + relative;
}

RunResult RunMaptag(const std::vector<std::string>& args) {
  TempDir capture;
  const std::string out_path = capture.File("stdout");
  const std::string err_path = capture.File("stderr");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> argv_text;
  argv_text.push_back(MAPTAG_BINARY);
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int rc = posix_spawn(&pid, MAPTAG_BINARY, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " MAPTAG_BINARY);

  int wait_status = 0;
  struct rusage usage {};
  if (wait4(pid, &wait_status, 0, &usage) != pid) throw std::runtime_error("wait4 failed");

  RunResult result;
  if (WIFEXITED(wait_status)) {
    result.status = WEXITSTATUS(wait_status);
  } else if (WIFSIGNALED(wait_status)) {
    result.status = 128 + WTERMSIG(wait_status);
  }
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  result.peak_rss_kb = usage.ru_maxrss;
  return result;
}

}  // namespace testsupport
