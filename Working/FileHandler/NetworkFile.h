// Reading network files: one whole network in the bracketed text form of
// ParseTools.h. The writer, which produces the same form, is in
// NetworkWriter.h.
//
//   [FormatVersion = 1.0]
//   [NeuralNetwork]
//   [NetworkType = Kohonen]                      Basic, Connected or Kohonen
//   [NetworkInformation]
//     [NumberOfLayers = 3] [InputLayer = 1] [OutputLayer = 2]
//     [NumberOfInputs = 2] [NumberOfOutputs = 6] [BiasLayer = 0]
//   [~NetworkInformation]
//   [Dimensions = 2]                             Kohonen only
//     [Dimension = 0 Size = 2] [Dimension = 1 Size = 3]
//   [~Dimensions]
//   [Layer = 2]
//     [LayerType = Gain] [NumberOfNeurons = 6]   Simple, Input or Gain
//     [All ActivationFunction = sigmoid-gain]    "All" is optional
//     [Gain = 0.5]                               a parameter of the neurons
//     [Neurons]                                  optional, then one statement
//       [Neuron = 0 ActivationFunction = tanh-gain Gain = 2]   per neuron
//       ...
//     [~Neurons]
//   [~Layer]
//   [ConnectionLayer]
//     [LayerFrom = 1] [LayerTo = 2] [ConnectionType = Pruneable]
//     [Attributes Pruneable Freezable]           read and ignored
//     [Matrix Weights TrainableInfo]             rows: source neurons
//       0.5 T   - -   0.25 F ...                 cells: target neurons
//     [~Matrix]
//     [WeightList]
//       [From = 0 To = 2 Weight = 0.25 UnTrainable]
//     [~WeightList]
//   [~ConnectionLayer]
//   [~NeuralNetwork]
//
// Keywords and their values are matched without regard to case.
//
// Ownership: the network returned belongs to the caller. Options arguments
// may be null; an operation that takes one takes ownership of it and
// destroys it without reading it.
//
// Failures: every malformed file throws FileTools::Error with a message (the
// texts are listed at the top of NetworkFile.cpp) and a pointer to the input
// being read, which is gone by the time LoadNetwork's caller sees the error.
// On failure no network is returned: whatever was built is released.
//
// Limits. A file is accepted only when its network is complete and safe to
// use: every layer index below NumberOfLayers has a layer block, the input
// and output layers lie in that range, every Kohonen dimension has a
// positive size and the grid's cell count fits in 32 bits, and a Kohonen
// network has three layers and a weight set from layer 1 to layer 2.
// Memory follows the file: a layer or dimension count that the rest of the
// file is too short to describe is refused at once, and the structures a
// file asks for (the layer matrix, the neurons, the weight sets, the grid)
// may take at most TReadAllowance::kBase bytes plus
// TReadAllowance::kPerInputByte bytes per byte of input, so a file under
// 1 MB never makes the reader allocate more than about 192 MB. Real
// networks stay far below that: a weight written out costs at least two
// bytes of file and eight bytes of memory.
#ifndef MAPTAG_WORKING_FILEHANDLER_NETWORKFILE_H_
#define MAPTAG_WORKING_FILEHANDLER_NETWORKFILE_H_

#include <cstdint>

#include "Working/FileHandler/ParseTools.h"

class TBasicNetwork;
class TKQstructure;

// Opens the file and reads it with ReadNetwork. A file that cannot be
// opened throws FileTools::Error "Error on File Open".
TBasicNetwork* LoadNetwork(char* scratch, const char* name, TKQstructure* options);

// Reads one network from the input, which must hold nothing after the
// network block but white space, comments and format-version statements.
// The result is a TBasicNetwork, TConnectedNetwork or TKohonenNetwork.
TBasicNetwork* ReadNetwork(char* scratch, TextInput& in, TKQstructure* options);

// The memory a read may still ask for (see Limits above). Every structure
// is booked before it is built; a booking beyond the allowance fails with
// the booking's message.
class TReadAllowance {
 public:
  static constexpr double kBase = 64.0 * 1024 * 1024;
  static constexpr double kPerInputByte = 128.0;

  // For an input of input_size bytes; -1 (unknown) allows kBase only.
  explicit TReadAllowance(std::int64_t input_size);

  // Books bytes, or throws FileTools::Error(message) and books nothing.
  // Byte counts are doubles so that products of two 32-bit counts and a
  // size cannot overflow.
  void Take(double bytes, const char* message, TextInput& in);
  // Gives back bytes booked earlier (for a structure that was released).
  void Give(double bytes);
  double Used() const { return used_; }
  double Limit() const { return limit_; }

 private:
  double limit_;
  double used_ = 0.0;
};

// One connection block, a step of ReadNetwork: its start tag, named
// block_name, has just been read. Builds the weight set the block describes,
// stores it in the network in place of the empty set of its pair of layers
// (whose layers must exist), reads its weights, and then reads and returns
// the next tag of the enclosing network block, named network_block.
TTag ReadConnectionBlock(char* scratch, TextInput& in, TBasicNetwork* network,
                         const char* block_name, const char* network_block,
                         TReadAllowance& allowance);

#endif  // MAPTAG_WORKING_FILEHANDLER_NETWORKFILE_H_
