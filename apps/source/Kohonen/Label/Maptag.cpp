// Maptag: labels data items by the cells of a self-organising map.
//
//   Maptag WeightFile MapFile CoordinateFile OutputFile
//
// Loads the network (only to check it reads; the labelling does not use it),
// the map table and the coordinate table, labels every coordinate row with
// the labels of the map cell it addresses, and writes the labelled table.
// This is the one place where failures are caught and turned into messages
// and an exit status.
#include <exception>
#include <iostream>
#include <memory>
#include <new>

#include "Working/DataObject/Data.h"
#include "Working/Exceptions/Exceptions.h"
#include "Working/Exceptions/FatalAssert.h"
#include "Working/NeuralNets/TKohonenNetwork.h"

namespace {

constexpr char kUsage[] = "Usage: Maptag WeightFile MapFile CoordinateFile OutputFile";
constexpr char kCannotLoad[] = "cannot load data file ";
[[maybe_unused]] constexpr char kCannotSave[] = "cannot save to data file ";
constexpr char kSourceFile[] = "apps/source/Kohonen/Label/Maptag.cpp";
constexpr int kScratchSize = 1028;

struct Arguments {
  const char* weight_file;
  const char* map_file;
  const char* coordinate_file;
  const char* output_file;
};

// Everything a run holds. Released in this order at the end of a run:
// network, coordinate table, map table, labelled table.
struct RunObjects {
  // std::unique_ptr<TBasicNetwork> PtrKohCurrent;   (with the network reader)
  std::unique_ptr<Data> PtrDatMap;
  std::unique_ptr<Data> PtrDatCoordinates;
  std::unique_ptr<Data> PtrDatLabelled;

  void Release() {
    // PtrKohCurrent.reset();
    PtrDatCoordinates.reset();
    PtrDatMap.reset();
    PtrDatLabelled.reset();
  }
};

[[maybe_unused]] int ReportLoadFailure(const char* file) {
  std::cerr << kCannotLoad << file << std::endl;
  return 1;
}

// Steps after loading: label, save, release. A failed save is reported but
// does not change the exit status.
int LabelAndSave(RunObjects& run, [[maybe_unused]] const Arguments& args,
                 [[maybe_unused]] char* data_scratch) {
  run.PtrDatLabelled.reset(LabelCoordinates(run.PtrDatCoordinates.get(), run.PtrDatMap.get()));

  // ---- PENDING: DataSet writer ----------------------------------------
  //   if (SaveDataSet(data_scratch, args.output_file, run.PtrDatLabelled.get(),
  //                   nullptr, nullptr) != SUCCESS) {
  //     std::cerr << kCannotSave << args.output_file << std::endl;
  //   }

  run.Release();
  return 0;
}

int Run(const Arguments& args) {
  [[maybe_unused]] char network_scratch[kScratchSize];
  char data_scratch[kScratchSize];
  RunObjects run;

  // ---- PENDING: network file reader -------------------------------------
  //   run.PtrKohCurrent.reset(LoadNetwork(network_scratch, args.weight_file, nullptr));
  //   FatalAssert(run.PtrKohCurrent != nullptr, "PtrKohCurrent != 0", kSourceFile, 21);
  //
  // ---- PENDING: DataSet reader --------------------------------------------
  // A load counts only when it returns SUCCESS *and* yields a table: a file
  // that declares no columns and no labels reads without error but gives
  // none, and labelling needs both tables.
  //   Data* loaded = nullptr;
  //   if (LoadData(data_scratch, args.map_file, &loaded) != SUCCESS || loaded == nullptr)
  //     return ReportLoadFailure(args.map_file);
  //   run.PtrDatMap.reset(loaded);
  //   FatalAssert(run.PtrDatMap != nullptr, "PtrDatMap != 0", kSourceFile, 33);
  //   loaded = nullptr;
  //   if (LoadData(data_scratch, args.coordinate_file, &loaded) != SUCCESS || loaded == nullptr)
  //     return ReportLoadFailure(args.coordinate_file);
  //   run.PtrDatCoordinates.reset(loaded);
  //
  // Until the readers are part of the build, a run cannot read its files
  // and must not claim success.
  if (run.PtrDatMap == nullptr || run.PtrDatCoordinates == nullptr) {
    std::cerr << "Maptag: reading network and data files is not available in this build"
              << std::endl;
    return 1;
  }
  FatalAssert(run.PtrDatMap != nullptr, "PtrDatMap != 0", kSourceFile, 33);
  return LabelAndSave(run, args, data_scratch);
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
