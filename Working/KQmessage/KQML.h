// A small message structure in the manner of KQML: a performative (the
// head) followed by keyword/value pairs whose values are structures again.
// A structure without pairs is an atom whose head is its whole text.
//
// Text form:  (perf :key value :key2 (inner :x 1))   or a bare word.
//
// Keys are unique within a structure and compared without regard to case.
// A structure owns its head, its keys and its values; destroying it
// destroys them all. Structures returned by the free functions below are
// new and belong to the caller.
#ifndef MAPTAG_WORKING_KQMESSAGE_KQML_H_
#define MAPTAG_WORKING_KQMESSAGE_KQML_H_

#include <memory>
#include <string>
#include <unordered_map>

class TKQstructure {
 public:
  struct Pair {
    std::string key;                      // stored without the leading colon
    std::unique_ptr<TKQstructure> value;  // never null once stored
  };

  // Thrown by the checked lookups and conversions. Holds a newly made error
  // structure (performative "error", key "type" first) that the catcher owns
  // and must delete; copying the exception copies the pointer.
  struct Error {
    TKQstructure* error;
  };

  TKQstructure();                         // head "unknown", capacity 16
  explicit TKQstructure(const char* text);  // head text, capacity 16
  TKQstructure(const TKQstructure& other);  // deep copy, capacity = other.count
  TKQstructure& operator=(const TKQstructure& other);
  ~TKQstructure();

  // Takes ownership of value (must not be null). Replaces the value of an
  // existing key (the key keeps its first spelling) or appends a pair.
  void SetValue(const char* key, TKQstructure* value);
  void SetString(const char* key, const char* text);
  void SetInteger(const char* key, int value);  // decimal text
  void SetNumber(const char* key, double value);  // six decimals, as "%f"
  void SetBoolean(const char* key, bool value);   // "true" / "false"

  // The value under key (borrowed), or null.
  TKQstructure* FindValue(const char* key) const;
  // The value under key (borrowed); a missing key is a fatal assertion.
  TKQstructure* GetValue(const char* key) const;
  // The value under key (borrowed); a missing key throws Error of type
  // "invalid-message" with "expected" holding the key.
  TKQstructure* GetValueChecked(const char* key) const;
  // Removes the pair; the last pair moves into its place.
  void RemoveValue(const char* key);
  // Returns when key is present and, if required is not empty, its value's
  // head equals required without regard to case; throws Error otherwise.
  void RequireValue(const char* key, const char* required) const;

  // Writes the text form to standard output (PrintLine adds a line end).
  void Print() const;
  void PrintLine() const;
  // The text form as a string.
  std::string ToText() const;

  std::string head;
  std::unique_ptr<Pair[]> items;
  int capacity;
  int count;

 private:
  int FindIndex(const char* key) const;  // -1 when absent

  // Keys folded as strcasecmp folds them -> pair index, built on demand once
  // a structure holds more than a few pairs, so that reading a long list
  // does not search the list for every key. Dropped whenever pairs move.
  mutable std::unique_ptr<std::unordered_map<std::string, int>> key_index_;
};

// A new error structure: (error :type <type>).
TKQstructure* MakeError(const char* type);
// A new structure read from the whole text. Malformed text throws Error of
// type "invalid-message"; when a special character or the end of the text
// stands where a word is due, "special character unexpected" is written on
// its own line to standard error first. Lists nested deeper than 256
// levels count as malformed.
TKQstructure* ParseMessage(const char* text);
// "TRUE"/"FALSE" in any case; anything else throws Error of type "type-error"
// with "expected" holding "boolean".
bool ParseBoolean(const char* text);
// The integer scanned as by "%ld" (a value outside 32 bits counts as no
// integer); none throws Error "invalid-message" with "integer-expected".
int ToIntegerChecked(const char* text);
// The double scanned as by "%lf"; none throws Error "invalid-message" with
// "number-expected".
double ToNumberChecked(const char* text);
// As the checked forms, for texts known to be valid: failure is fatal.
int ToInteger(const char* text);
double ToNumber(const char* text);
// Arguments 1 to argc-1, each followed by one space. New text, caller owns.
char* JoinArguments(int argc, const char* const* argv);

#endif  // MAPTAG_WORKING_KQMESSAGE_KQML_H_
