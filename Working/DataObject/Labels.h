// Labels and label lists.
//
// A label is a name with a weight (1.0 when a data file gives none). A label
// list is the ordered set of labels attached to one data row: adding a name
// the list already holds adds the values instead of making a second entry,
// so a list doubles as a weighted count of names. Names are compared byte for
// byte (Cat and cat are two labels) and keep the order of their first
// addition.
//
// Both classes own their texts: every copy, by construction or assignment,
// is deep, so a copy outlives the list it was taken from.
#ifndef MAPTAG_WORKING_DATAOBJECT_LABELS_H_
#define MAPTAG_WORKING_DATAOBJECT_LABELS_H_

#include <memory>
#include <string_view>
#include <unordered_map>

class TLabel {
 public:
  // name null, value 0.0.
  TLabel();
  // A copy of name (must not be null) with value.
  TLabel(const char* name, double value);
  TLabel(const TLabel& other);             // deep copy
  TLabel(TLabel&& other) noexcept;         // takes the name over
  TLabel& operator=(const TLabel& other);  // deep copy; self-assignment is a no-op
  TLabel& operator=(TLabel&& other) noexcept;
  ~TLabel();

  double value;
  char* name;  // owned; null only in a default-constructed label
};

class TLabelList {
 public:
  // The empty list: count 0, labels null.
  TLabelList();
  // A list of one label: a copy of name (must not be null) with value.
  TLabelList(const char* name, double value);
  // Deep copies: the copy owns names of its own. Assignment builds the new
  // array completely before it lets the old one go, so assigning a list to
  // itself, or from a list that shares nothing with it, is always safe.
  TLabelList(const TLabelList& other);
  TLabelList& operator=(const TLabelList& other);
  // Moves leave the source empty (count 0, labels null).
  TLabelList(TLabelList&& other) noexcept;
  TLabelList& operator=(TLabelList&& other) noexcept;
  ~TLabelList();

  // Adds value to the label whose name equals name byte for byte, or
  // appends a new label (a copy of name, value) at the end. A label whose
  // value sums to 0.0 stays in the list. name must not be null. Constant
  // time on average, also for lists of many names.
  void AddLabel(const char* name, double value);

  // Removes every label: count 0, labels null.
  void Clear();

  // Names and the count change only through the operations above (the
  // name index below relies on that); values may be changed in place.
  int count;                         // number of labels
  std::unique_ptr<TLabel[]> labels;  // labels[0 .. count-1]; null when nothing was ever added

 private:
  // Entries allocated in labels (>= count); the spare ones are
  // default-constructed. Lets a list that collects many names grow in
  // amortised constant time.
  int capacity_;
  // Position of each name, for lists long enough that a scan would cost
  // more than a lookup; built on demand, null otherwise. The views point
  // at the labels' own names, which stay put when the array grows.
  std::unique_ptr<std::unordered_map<std::string_view, int>> index_;
};

#endif  // MAPTAG_WORKING_DATAOBJECT_LABELS_H_
