// The fully connected weight set: one weight for every (source, target)
// pair of neurons, no flags. Weights are stored in one contiguous block, one
// row per target neuron: index_weights[t][f] is the weight from source f to
// target t.
//
// GetWeights / SetWeights use source-major order (element f*T + t), unlike
// the walking order of the visitors (target-major). Removing a weight or
// making one untrainable is not supported (fatal assertions); the network
// file reader must refuse such input before it reaches the set.
#ifndef MAPTAG_WORKING_NEURALNETS_TCONNECTEDCONNECTIONS_H_
#define MAPTAG_WORKING_NEURALNETS_TCONNECTEDCONNECTIONS_H_

#include <algorithm>
#include <vector>

#include "Working/NeuralNets/TBasicNetwork.h"

// Row-per-target storage shared by the weight-carrying sets: reshapes a
// block of rows x cols cells (row-major) while keeping the surviving cells in
// place. New cells are filled by fill(row, col).
namespace weight_rows {

template <class T, class Fill>
std::vector<T> InsertColumn(const std::vector<T>& old, int rows, int cols, int k, Fill fill) {
  std::vector<T> fresh(static_cast<std::size_t>(rows) * (cols + 1));
  for (int t = 0; t < rows; ++t) {
    const T* src = old.data() + static_cast<std::size_t>(t) * cols;
    T* dst = fresh.data() + static_cast<std::size_t>(t) * (cols + 1);
    std::copy(src, src + k, dst);
    std::copy(src + k, src + cols, dst + k + 1);
  }
  for (int t = 0; t < rows; ++t) fresh[static_cast<std::size_t>(t) * (cols + 1) + k] = fill(t, k);
  return fresh;
}

template <class T, class Fill>
std::vector<T> InsertRow(const std::vector<T>& old, int rows, int cols, int k, Fill fill) {
  std::vector<T> fresh(static_cast<std::size_t>(rows + 1) * cols);
  const std::size_t split = static_cast<std::size_t>(k) * cols;
  std::copy(old.begin(), old.begin() + split, fresh.begin());
  std::copy(old.begin() + split, old.end(), fresh.begin() + split + cols);
  for (int f = 0; f < cols; ++f) fresh[split + f] = fill(k, f);
  return fresh;
}

template <class T>
std::vector<T> RemoveColumn(const std::vector<T>& old, int rows, int cols, int k) {
  std::vector<T> fresh(static_cast<std::size_t>(rows) * (cols - 1));
  for (int t = 0; t < rows; ++t) {
    const T* src = old.data() + static_cast<std::size_t>(t) * cols;
    T* dst = fresh.data() + static_cast<std::size_t>(t) * (cols - 1);
    std::copy(src, src + k, dst);
    std::copy(src + k + 1, src + cols, dst + k);
  }
  return fresh;
}

template <class T>
std::vector<T> RemoveRow(const std::vector<T>& old, int cols, int k) {
  std::vector<T> fresh(old);
  const std::size_t split = static_cast<std::size_t>(k) * cols;
  fresh.erase(fresh.begin() + split, fresh.begin() + split + cols);
  return fresh;
}

// Row pointers into a block of rows x cols cells.
template <class T>
void IndexRows(std::vector<T>& block, std::vector<T*>& index, int rows, int cols) {
  index.resize(rows);
  for (int t = 0; t < rows; ++t) index[t] = block.data() + static_cast<std::size_t>(t) * cols;
}

}  // namespace weight_rows

class TConnectedConnections : public TBasicConnections {
 public:
  // All weights 0.0, sized from the two layers (which must exist).
  TConnectedConnections(TBasicNetwork* network, int fromLayer, int toLayer);

  int GetNumWeights(int allWeights) override;
  int GetWeights(double* out, int allWeights) override;
  int SetWeights(const double* in, int allWeights) override;
  void Randomize(double min, double max) override;
  double* GetWeightPtr(int from, int to) override { return index_weights[to] + from; }
  void AddWeightedInput(double* net) override;
  bool IsValid(int, int) override { return true; }
  void AddWeight(int, int) override {}
  void SetTrainable(int, int) override {}
  void IterateTo(TIterateObj& v, int to, int allWeights) override;
  void IterateFrom(TIterateObj& v, int from, int allWeights) override;
  void IterateAll(TIterateObj& v, int allWeights) override;
  void IterateAll2(TIterateObj2& v, TBasicNetwork* second, int allWeights) override;
  void IterateAll3(TIterateObj3& v, TBasicNetwork* second, TBasicNetwork* third,
                   int allWeights) override;
  const char* GetConnectionsNType() override;
  void Destroy() override { delete this; }
  TBasicConnections* Clone(TBasicNetwork* n) override;
  void RemoveFromNode(int node) override;
  void RemoveToNode(int node) override;
  // attached must be true (fatal assertion otherwise).
  void InsertFromNode(int node, double min, double max, bool attached) override;
  void InsertToNode(int node, double min, double max, bool attached) override;

  std::vector<double> array_weights;   // T rows of S weights
  std::vector<double*> index_weights;  // start of each row

 protected:
  ~TConnectedConnections() override = default;

 private:
  TConnectedConnections(TBasicNetwork* network, int fromLayer, int toLayer, int sources,
                        int targets);
  void Reindex();
  int sources_;  // S of the stored block
  int targets_;  // T of the stored block
};

#endif  // MAPTAG_WORKING_NEURALNETS_TCONNECTEDCONNECTIONS_H_
