// Maptag: labels data items by the cells of a self-organising map.
//
//   Maptag WeightFile MapFile CoordinateFile OutputFile
#include <iostream>

int main(int argc, char** argv) {
  (void)argv;
  if (argc != 5) {
    std::cerr << "Usage: Maptag WeightFile MapFile CoordinateFile OutputFile" << std::endl;
    return 1;
  }
  return 0;
}
