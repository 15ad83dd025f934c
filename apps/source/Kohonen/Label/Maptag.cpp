// Maptag: labels data items by the cells of a self-organising map.
//
//   Maptag WeightFile MapFile CoordinateFile OutputFile
//
// Loads the network (only to check it reads; the labelling does not use it)
// and the map table, then labels every coordinate row with the labels of
// the map cell it addresses and writes it out, one row at a time.
// This is the one place where failures are caught and turned into messages
// and an exit status.
#include <exception>
#include <iostream>
#include <memory>
#include <new>

#include "Working/DataObject/Data.h"
#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"
#include "Working/FileHandler/Filer.h"
#include "Working/FileHandler/NetworkFile.h"
#include "Working/FileHandler/ParseTools.h"
#include "Working/NeuralNets/TBasicNetwork.h"
#include "Working/NeuralNets/TKohonenNetwork.h"

namespace {

constexpr char kUsage[] = "Usage: Maptag WeightFile MapFile CoordinateFile OutputFile";
constexpr char kCannotLoad[] = "cannot load data file ";
constexpr char kCannotSave[] = "cannot save to data file ";
constexpr char kSourceFile[] = "apps/source/Kohonen/Label/Maptag.cpp";

struct Arguments {
  const char* weight_file;
  const char* map_file;
  const char* coordinate_file;
  const char* output_file;
};

// Everything a run holds, released in this order: network, map table
// (also when a failure ends the run). The coordinate rows are labelled and
// written one at a time, so neither the coordinate table nor the labelled
// table is ever held whole.
struct RunObjects {
  std::unique_ptr<TBasicNetwork> PtrKohCurrent;
  std::unique_ptr<Data> PtrDatMap;

  ~RunObjects() { Release(); }
  void Release() {
    PtrKohCurrent.reset();
    PtrDatMap.reset();
  }
};

int ReportLoadFailure(const char* file) {
  std::cerr << kCannotLoad << file << std::endl;
  return 1;
}

// Loads the one table of a DataSet file into *table. False when the load
// fails or the file declares no columns and no labels, which reads without
// error but yields no table: labelling needs the map.
bool LoadTable(char* scratch, const char* file, std::unique_ptr<Data>* table) {
  Data* loaded = nullptr;
  int code;
  try {
    code = LoadData(scratch, file, &loaded);
  } catch (...) {
    delete loaded;  // a partly read table
    throw;
  }
  table->reset(loaded);  // also a table handed over with a failure code
  if (code != SUCCESS || loaded == nullptr) {
    table->reset();
    return false;
  }
  return true;
}

int Run(const Arguments& args) {
  char network_scratch[kScratchSize];
  char data_scratch[kScratchSize];
  RunObjects run;

  // The network only has to read: the labelling does not use it.
  run.PtrKohCurrent.reset(LoadNetwork(network_scratch, args.weight_file, nullptr));
  FatalAssert(run.PtrKohCurrent != nullptr, "PtrKohCurrent != 0", kSourceFile, 21);

  if (!LoadTable(data_scratch, args.map_file, &run.PtrDatMap)) {
    return ReportLoadFailure(args.map_file);
  }
  FatalAssert(run.PtrDatMap != nullptr, "PtrDatMap != 0", kSourceFile, 33);

  // Reads, labels and writes the coordinate rows; the output appears only
  // when complete, so a failure leaves no partial output and an earlier
  // file intact. A failed save is a failed run.
  switch (LabelCoordinateFile(data_scratch, args.coordinate_file, run.PtrDatMap.get(),
                              args.output_file)) {
    case TLabelFileResult::kLabelled:
      run.Release();
      return 0;
    case TLabelFileResult::kCoordinatesNotLoaded:
      return ReportLoadFailure(args.coordinate_file);
    case TLabelFileResult::kOutputNotSaved:
      std::cerr << kCannotSave << args.output_file << std::endl;
      run.Release();
      return 1;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << kUsage << std::endl;
    return 1;
  }
  const Arguments args{argv[1], argv[2], argv[3], argv[4]};
  try {
    return Run(args);
  } catch (const TException& e) {
    auto text = [](const char* s) { return s != nullptr ? s : ""; };
    std::cerr << text(e.message) << std::endl
              << text(e.category) << std::endl
              << text(e.origin) << std::endl;
    return 1;
  } catch (FileTools::Error& e) {
    std::cout << e.message << std::endl;
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "Maptag: out of memory" << std::endl;
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "Maptag: " << e.what() << std::endl;
    return 1;
  }
}
