// Error measures: compare, row by row, what a network produced with what it
// should have produced, and report one number for all rows seen.
//
// A measure gathers rows through Accumulate and weight penalties through
// AddPenalty and keeps them until Reset; nothing resets it implicitly.
// The measures have no virtual destructor: destroy them through their own type.
#ifndef MAPTAG_WORKING_NEURALNETS_TERROROBJ_H_
#define MAPTAG_WORKING_NEURALNETS_TERROROBJ_H_

class TKQstructure;

class TErrorObj {
 public:
  explicit TErrorObj(int n) : numOutputs(n), numRows(0) {}

  virtual void Reset() = 0;
  // targets and outputs hold numOutputs values each; one call is one row.
  virtual void Accumulate(const double* targets, const double* outputs) = 0;
  virtual double GetError() = 0;
  // Adds PenaltyTerm(k, w, description) to the sum. description is borrowed.
  virtual void AddPenalty(int k, const double* w, const TKQstructure* description) = 0;

  // The weight penalty that description asks for over the k weights in w.
  // The description's performative names the kind ("NONE", "QUADPENALTY",
  // "LWF", any case; null means none) and its keys carry the parameters.
  // Throws TKQstructure::Error ("invalid-message") for a parameter that is
  // not a number and for a kind of penalty that does not exist.
  double PenaltyTerm(int k, const double* w, const TKQstructure* description) const;

  int numOutputs;
  int numRows;

 protected:
  ~TErrorObj() = default;
};

// Root of the mean squared difference: sqrt(sum / numOutputs / numRows).
// Penalties are inside the root and divided like the squared differences.
class TErrorRMSObj : public TErrorObj {
 public:
  explicit TErrorRMSObj(int n) : TErrorObj(n), sum(0.0) {}

  void Reset() override;
  void Accumulate(const double* targets, const double* outputs) override;
  // Before any row, or with no outputs, nothing has been compared: 0.0.
  double GetError() override;
  void AddPenalty(int k, const double* w, const TKQstructure* description) override;

  double sum;
};

// Summed cross-entropy; an output of exactly 1.0 counts 0 when its target
// is 1.0 and one million otherwise.
class TErrorCrossEntropyObj : public TErrorObj {
 public:
  explicit TErrorCrossEntropyObj(int n) : TErrorObj(n), sum(0.0) {}

  void Reset() override;
  void Accumulate(const double* targets, const double* outputs) override;
  double GetError() override;
  void AddPenalty(int k, const double* w, const TKQstructure* description) override;

  double sum;
};

#endif  // MAPTAG_WORKING_NEURALNETS_TERROROBJ_H_
