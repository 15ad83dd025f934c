// Telling what kind of file a path names from its first block alone.
#ifndef MAPTAG_WORKING_FILEHANDLER_PROBE_H_
#define MAPTAG_WORKING_FILEHANDLER_PROBE_H_

class TKQstructure;

// Opens the file, reads its first block's start tag and, for a DataSet file,
// the header attributes after it, and describes what it found in a new
// structure owned by the caller:
//
//   (error :type file-read-error)        the file cannot be opened or read
//   (data :rows 3 :inputs 2 :actual-outputs -1 :calc-outputs 0 :errors 0)
//                                        a DataSet block ("Labels" is -1,
//                                        absent counts 0, absent Rows -1)
//   (error :type bad-header)             a DataSet header out of order or
//                                        with a statement that goes on
//   network (no keys)                    a block named Network (any case)
//   (error :type unknown-header :header NeuralNetwork)
//                                        any other block, named as written
//
// Block names compare without regard to case. A file whose first item is
// not a block start, and the header's "No labels in inputs", throw
// FileTools::Error; its input pointer is null, since the file is closed by
// then. scratch is the caller's area of kScratchSize bytes (ParseTools.h).
TKQstructure* ProbeFileHeader(char* scratch, const char* path);

#endif  // MAPTAG_WORKING_FILEHANDLER_PROBE_H_
