// The floor of what labelling costs: read the coordinate file, parse every
// number with std::from_chars, compute each row's map index and write the
// output lines into one buffer. No checks at all: it trusts the files that
// make_inputs.py writes (two grid dimensions, labels in the map file).
//
//   reference_label MapFile CoordinateFile OutputFile
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

static std::string Slurp(const char* path) {
  std::string text;
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return text;
  char block[1 << 16];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, f)) > 0) text.append(block, n);
  std::fclose(f);
  return text;
}

static int HeaderCount(std::string_view text, std::string_view key) {
  const std::size_t at = text.find(key);
  int value = 0;
  std::size_t pos = text.find('=', at) + 1;
  while (text[pos] == ' ') ++pos;
  std::from_chars(text.data() + pos, text.data() + text.size(), value);
  return value;
}

int main(int argc, char** argv) {
  if (argc != 4) return 1;
  // The map: the label list text of each cell, and the size of the grid's
  // second dimension (the first row whose first coordinate is not 0).
  const std::string map = Slurp(argv[1]);
  std::vector<std::string_view> cell_labels;
  long side = 0;
  std::size_t pos = map.find("[Data]") + 6;
  const std::size_t map_end = map.find("[~Data]");
  while (true) {
    const std::size_t open = map.find('[', pos);
    if (open >= map_end) break;
    double first = 0;
    std::size_t digits = map.find_first_not_of(" \n", pos);
    std::from_chars(map.data() + digits, map.data() + open, first);
    if (side == 0 && first != 0) side = static_cast<long>(cell_labels.size());
    const std::size_t close = map.find(']', open);
    cell_labels.emplace_back(map.data() + open, close - open + 1);
    pos = close + 1;
  }
  if (side == 0) side = static_cast<long>(cell_labels.size());

  // The coordinate file is mapped, not copied: the floor pays no read copy.
  const int fd = open(argv[2], O_RDONLY);
  struct stat info {};
  fstat(fd, &info);
  const std::size_t size = static_cast<std::size_t>(info.st_size);
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  madvise(mapped, size, MADV_SEQUENTIAL);
  const std::string_view items(static_cast<const char*>(mapped), size);
  const int rows = HeaderCount(items, "[Rows");
  const int inputs = HeaderCount(items, "[Inputs");
  const int outputs = HeaderCount(items, "[ExpectedOutputs");
  const char* p = items.data() + items.find("[Data]") + 6;
  const char* end = items.data() + items.size();

  std::string out =
      "[FormatVersion = 1.0]\n\n[DataSet]\n[Rows = " + std::to_string(rows) +
      "]\n[Inputs = 0]\n[ExpectedOutputs = Labels]\n[GeneratedOutputs = 0]\n[Error = 0]\n\n[Data]\n";
  out.reserve(out.size() + static_cast<std::size_t>(rows) * 40);
  std::vector<double> values(inputs + outputs);
  for (int r = 0; r < rows; ++r) {
    for (double& v : values) {
      while (*p == ' ' || *p == '\n' || *p == ',' || *p == '\t' || *p == '\r') ++p;
      p = std::from_chars(p, end, v).ptr;
    }
    const long index = static_cast<long>(values[inputs]) * side + static_cast<long>(values[inputs + 1]);
    out += "  ";
    out += cell_labels[index];
    out += " \n";
  }
  out += "[~Data]\n\n[~DataSet]\n";
  FILE* f = std::fopen(argv[3], "wb");
  std::fwrite(out.data(), 1, out.size(), f);
  std::fclose(f);
  munmap(mapped, size);
  close(fd);
  return 0;
}
