// Writing a network in the network text format, so that the network file
// reader builds an equal network from it.
//
//   [FormatVersion = 1.0]
//
//   [NeuralNetwork]
//   [NetworkType = Basic]
//
//   [NetworkInformation]
//   [NumberOfLayers = 3]
//   [InputLayer = 1]
//   [OutputLayer = 2]
//   [NumberOfInputs = 2]
//   [NumberOfOutputs = 1]
//   [BiasLayer = 0]
//   [~NetworkInformation]
//
//   [Layer = 2]
//   [LayerType = Gain]
//   [NumberOfNeurons = 1]
//   [All ActivationFunction=sigmoid-gain ]
//   [All Gain=1.500000000000000 ]
//   [~Layer]
//   ...
//   [ConnectionLayer]
//   [LayerFrom = 1]
//   [LayerTo = 2]
//   [ConnectionType = FullyConnected]
//   [Attributes UnPrunable UnFreezable ]
//   [Matrix Weights ]
//   /* To->            0  From */
//                   0.25  /* 0 */
//                     -1  /* 1 */
//   [~Matrix]
//   [~ConnectionLayer]
//
//   [~NeuralNetwork]
//
// A Kohonen network adds a [Dimensions = n] block after the information
// block. A layer's function is written once on an All line when every
// neuron has it, and so is each parameter that every neuron shares; the
// rest goes into a [Neurons] block, one statement per neuron. A connection
// set whose existing weights fill less than 35% of its cells is written as a
// weight list, [From=0 To=2 Weight=0.250000000000000 Trainable ], otherwise
// as a matrix whose column header and row numbers are comments. Parameters
// and listed weights have 15 decimals, matrix weights 15 significant digits
// right-aligned in 20 characters.
//
// The network is only read, but through operations that are not const (a
// layer caches its common function); it must not change while it is
// written.
#ifndef MAPTAG_WORKING_FILEHANDLER_NETWORKWRITER_H_
#define MAPTAG_WORKING_FILEHANDLER_NETWORKWRITER_H_

#include "Working/NeuralNets/TBasicNetwork.h"

class TKQstructure;
class TextOutput;

// Counts the weights it visits.
class TIterateObjCount : public TIterateObj {
 public:
  void Visit() override { ++count; }
  int count = 0;
};

// Writes one weight-list entry per visited weight:
//   [From=f To=t Weight=w Trainable ]
// with the mark (Trainable / UnTrainable) only for a pruneable set. The
// output and the scratch area must outlive the visitor.
class TIterateObjSaveWeights : public TIterateObj {
 public:
  TIterateObjSaveWeights(TextOutput& out, char* scratch, bool pruneable, int precision)
      : out(&out), scratch(scratch), pruneable(pruneable), precision(precision) {}
  void Visit() override;

  TextOutput* out;
  char* scratch;
  bool pruneable;
  int precision;
};

// Writes the whole network to out. Throws FileTools::Error "Illegal number
// of bias nodes" (with out attached) for a layer whose common function is
// "bias" and which has more than one neuron; what was written up to that
// point stays in out. Write failures stay in out (TextOutput::ok, Close).
// options may be null; it is deleted unread.
void WriteNetwork(char* scratch, TextOutput& out, TBasicNetwork* network, TKQstructure* options);

// Writes the network to the file path. The text goes to a temporary file
// beside path that replaces path only when complete, so on any failure an
// earlier file at path stays as it was. Throws FileTools::Error
// "Error on File Create" when the file cannot be created and "Error on File
// Write" when it cannot be written or put in place (no streams attached);
// the errors of WriteNetwork pass through with their output stream cleared,
// since that stream is gone by the time they are caught. options may be
// null; it is deleted unread.
void SaveNetwork(char* scratch, const char* path, TBasicNetwork* network, TKQstructure* options);

#endif  // MAPTAG_WORKING_FILEHANDLER_NETWORKWRITER_H_
