// The text toolkit shared by the network and DataSet file formats: buffered
// input and output, the tokenizer and tag reader, the statement readers, the
// number parsers and the formatted writing operations.
//
// Lexical rules. A separator is any byte below 0x21 or above 0x7E, and ",".
// The specials are the seven characters "[]/*=<>". Every other byte is a
// word character. A token is a maximal run of word characters, a single
// special, the end-tag opener "[~", or the empty token at the end of the
// input. "/*" ... "*/" is a comment and nests; comments separate tokens.
//
// Tags. ReadTag turns tokens into items:
//   [Key]            TagOpen  "Key"
//   [Key = Value]    TagValue "Key", "Value"
//   [Key A = 1 B]    TagOpen "Key", continued; then, read with `continuing`
//                    set, TagValue "A" "1" continued, then TagOpen "B"
//   [~Name]          TagEnd, closing the innermost open block (any case)
//   word             TagWord
//   end of input     TagEnd when no block is open
// Keywords, values and names reach the caller as written; callers compare
// them without regard to case (FileTools::strcasecmp). The statement
// [FormatVersion = v] is handled inside ReadTag wherever a tag is read
// outside a continued statement: v above 1.0 is refused, otherwise the
// statement is skipped.
//
// Every malformed input throws FileTools::Error carrying the message and a
// pointer to the input being read (valid only while that input lives; the
// readers' inputs are gone by the time a handler runs, so handlers must not
// use the pointer). Besides the documented messages the reader refuses:
//   "Unexpected ']'"                    a "]" where a tag or word is due
//   "End Tag outside of any block"      an end tag while no block is open
//   "Unexpected end of file"            end of input right after a keyword
//                                       inside brackets
//   "Token longer than 1027 characters" a word that does not fit in the
//                                       scratch area
//
// The scratch area. Every operation takes the caller's scratch area first:
// a char array of at least kScratchSize bytes in which words are
// assembled. The writing operations accept it for symmetry and do not use
// it. Token views returned by ReadTokenView point into it and stay valid
// until the next read.
#ifndef MAPTAG_WORKING_FILEHANDLER_PARSETOOLS_H_
#define MAPTAG_WORKING_FILEHANDLER_PARSETOOLS_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// Size of the scratch area every text operation takes. A word may hold at
// most kScratchSize - 1 characters.
inline constexpr int kScratchSize = 1028;

// Buffered input from a file or from a string. Reads large blocks and hands
// out one character at a time; one character can be pushed back. Not
// copyable (it owns a file and a large buffer).
class TextInput {
 public:
  static constexpr int kEof = -1;

  // Nothing to read: behaves as an empty input until Open is called.
  TextInput();
  // Reads the given text (copied).
  explicit TextInput(std::string text);
  ~TextInput();
  TextInput(const TextInput&) = delete;
  TextInput& operator=(const TextInput&) = delete;

  // Opens a file for reading; false when it cannot be opened or read.
  bool Open(const char* path);

  // The next byte (0 to 255), or kEof at the end of the input (also after
  // a read error, see ReadFailed).
  int Get() {
    if (pos_ < end_) return static_cast<unsigned char>(data_[pos_++]);
    return Refill();
  }
  // Pushes back the byte returned by the last Get. At most two bytes in a
  // row, and only bytes that Get returned (not kEof).
  void Unget() { --pos_; }

  // The bytes buffered and not yet read, for scanners that work on the
  // buffer directly (possibly empty although the input goes on); Skip(n)
  // consumes n of them. The view is valid until the next Get.
  std::string_view Buffered() const { return std::string_view(data_ + pos_, end_ - pos_); }
  void Skip(std::size_t n) { pos_ += n; }

  // Number of bytes consumed so far from the start of the input.
  std::uint64_t Position() const { return base_ + pos_; }
  // Moves to an absolute byte position (clamped to the end of a string
  // input; beyond the end of a file the input reads as ended). False when
  // a file cannot be positioned.
  bool SeekTo(std::uint64_t position);
  // Total size in bytes, or -1 when unknown.
  std::int64_t Size() const { return size_; }
  // True after a read error (as opposed to the plain end of the input).
  bool ReadFailed() const { return read_failed_; }

 private:
  int Refill();

  static constexpr std::size_t kBufferSize = 256 * 1024;
  static constexpr std::size_t kPushBack = 2;

  const char* data_ = nullptr;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t base_ = 0;  // position of data_[0] in the input
  std::int64_t size_ = 0;
  std::FILE* file_ = nullptr;
  bool at_eof_ = false;
  bool read_failed_ = false;
  std::string text_;                 // the input, for string inputs
  std::unique_ptr<char[]> buffer_;   // the block buffer, for file inputs
};

// Buffered output to a file or to a string. Collects text in a large buffer
// and writes it in large pieces. Any failure to write is remembered and
// reported by ok() and Close(); the text is never reported as written when
// it was not. Not copyable.
class TextOutput {
 public:
  // kReplace writes a new file under a temporary name beside path (path +
  // kReplaceSuffix); Close renames it over path once everything reached it.
  // When anything failed, or when the output is destroyed without Close,
  // the temporary is removed instead, so an earlier file at path stays
  // intact.
  enum class Mode { kCreate, kAppend, kReplace };
  static constexpr const char* kReplaceSuffix = ".saving";

  // Writes into a string, see text().
  TextOutput();
  // Closes an open file; a failure at that point goes unreported, so call
  // Close() to learn whether everything reached the file. A kReplace file
  // not yet closed is abandoned (its temporary removed).
  ~TextOutput();
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;

  // Creates (or truncates) or appends to a file; false when it cannot be
  // opened, which also makes ok() false.
  bool Open(const char* path, Mode mode);

  void Put(char c) {
    if (len_ == kBufferSize) FlushBuffer();
    buffer_[len_++] = c;
  }
  void Write(std::string_view text);
  // A line end. Lines are not flushed one by one: the buffer goes out when
  // it is full and at Close, which is where write failures show.
  void Newline() { Put('\n'); }
  // Decimal integer, as "%ld".
  void WriteInteger(long value);
  // Fixed-point text with the given number of decimals, as "%.*f"
  // (a negative precision means 6).
  void WriteFixed(double value, int precision);
  // General floating text with the given number of significant digits,
  // as "%.*g".
  void WriteGeneral(double value, int significant);

  // Hands the buffered text to the file (or string). False once anything
  // failed.
  bool Flush();
  // Flushes and closes the file (for kReplace: and puts it in place). True
  // when everything written since Open reached the file.
  bool Close();
  bool ok() const { return !failed_; }

  // For string outputs: everything written so far.
  const std::string& text();

 private:
  void FlushBuffer();
  // Room for at least n more bytes in the buffer (n <= kBufferSize).
  char* Reserve(std::size_t n) {
    if (kBufferSize - len_ < n) FlushBuffer();
    return buffer_.get() + len_;
  }

  static constexpr std::size_t kBufferSize = 256 * 1024;

  std::unique_ptr<char[]> buffer_;
  std::size_t len_ = 0;
  std::FILE* file_ = nullptr;
  bool to_string_ = true;
  bool failed_ = false;
  std::string target_;   // kReplace: the final name; empty otherwise
  std::string partial_;  // kReplace: the temporary being written
  std::string text_;
};

// ---------------------------------------------------------------------------
// Tokens and tags.

enum TagKind { TagEnd, TagWord, TagOpen, TagValue, TagFormatVersion };

// One item of the tag reader (TagFormatVersion is used by the writers only).
struct TTag {
  TagKind kind = TagEnd;
  std::string name;        // TagWord: the token; TagOpen/TagValue: keyword
  std::string value;       // TagValue: the value as written
  bool continued = false;  // TagOpen/TagValue: the statement goes on
};

// The next token as a new string: a word, a special, "[~", or "" at the
// end of the input. Comments are skipped.
std::string ReadToken(char* scratch, TextInput& in);
// As ReadToken, without allocating: the view points into scratch and is
// valid until the next read. It is followed by a '\0' in scratch.
std::string_view ReadTokenView(char* scratch, TextInput& in);
// Skips a comment whose "/*" has been read; nested comments included.
void SkipComment(char* scratch, TextInput& in);
// Skips separators (not comments) and returns the next byte, or kEof.
int SkipSeparatorsAndGet(TextInput& in);
// Skips separators and comments and returns the next byte, or kEof. A "/"
// that does not begin a comment is returned (the byte after it is put back).
int SkipSpaceAndGet(char* scratch, TextInput& in);

// The next item. blockdef is the name of the innermost open block, or null
// when none is open; continuing is set while the rest of a continued
// statement is read.
TTag ReadTag(char* scratch, const char* blockdef, TextInput& in, bool continuing);

// Statement readers: check the tag just read and take what it carries.
// A null keyword for ExpectBlockStart accepts any block start; it returns
// the tag's name. ReadStringValue returns the value, or "" when a required
// value (compared without regard to case) was given and matched.
std::string ExpectBlockStart(char* scratch, const TTag& tag, TextInput& in, const char* keyword);
void ExpectBlockEnd(char* scratch, const TTag& tag, TextInput& in);
std::string ReadStringValue(char* scratch, const TTag& tag, TextInput& in, const char* keyword,
                            const char* required);
int ReadIntegerValue(char* scratch, const TTag& tag, TextInput& in, const char* keyword);
double ReadNumberValue(char* scratch, const TTag& tag, TextInput& in, const char* keyword);
double ReadNumberWord(char* scratch, const TTag& tag, TextInput& in);

// ReadNumberWord(ReadTag(scratch, blockdef, in, false)) without building a
// tag: the path for the numbers of data rows, which costs no allocation.
double ReadNumberItem(char* scratch, const char* blockdef, TextInput& in);

// The integer at the front of text as "%ld" reads it; throws
// "integer-expected" when there is none or it does not fit in 32 bits.
int ParseInteger(char* scratch, TextInput& in, std::string_view text);
// The number at the front of text (see ScanNumber); throws
// "number-expected" when there is none.
double ParseNumber(char* scratch, TextInput& in, std::string_view text);
// A new copy of text.
std::string CopyString(char* scratch, const char* text);

// Reads an integer from the front of text as "%ld" does: optional leading
// white space, an optional sign, decimal digits; anything after the digits
// is ignored. Returns false, leaving *value alone, when there is no integer
// or when it does not fit in 32 bits.
bool ScanInteger(std::string_view text, std::int32_t* value);

// Reads a floating-point number from the front of text. The text counts as
// a number exactly when "%lf" would accept it (optional white space and
// sign; decimal digits with an optional point and exponent; "0x" hexadecimal
// with an optional "p" exponent; "inf", "infinity", "nan", "nan(...)" in any
// case); the value is the one the standard string-to-double conversion
// gives, including infinities for values too large and zero for values too
// small. Anything after the number is ignored. Returns false, leaving
// *value alone, when there is no number.
bool ScanNumber(std::string_view text, double* value);

// ---------------------------------------------------------------------------
// Formatted writing. An item is written bracketed (a statement of its own,
// ending its line) or inline (one item of a statement that the caller opens
// with OpenBracket and closes with CloseBracket). Names and values are
// copied out; the caller keeps its strings. Nothing is reported here: write
// failures stay in the TextOutput for the caller (TextOutput::ok, Close).
// TagEnd and TagFormatVersion inline, or any other kind, are fatal.

void WriteItem(char* scratch, TagKind kind, const char* name, const char* value, TextOutput& out,
               bool bracket);
void OpenBracket(char* scratch, TextOutput& out, bool bracket);
void CloseBracket(char* scratch, TextOutput& out, bool bracket, bool line_end);
// "[FormatVersion = 1.0]" and an empty line.
void WriteFormatVersion(char* scratch, TextOutput& out);
void WriteNewline(char* scratch, TextOutput& out);
void WriteOpenTag(char* scratch, TextOutput& out, const char* name, bool bracket);
// "[~name]" and a line end; nothing when name is null.
void WriteEndTag(char* scratch, TextOutput& out, const char* name);
void WriteStringValue(char* scratch, TextOutput& out, const char* name, const char* value,
                      bool bracket);
void WriteIntegerValue(char* scratch, TextOutput& out, const char* name, int value, bool bracket);
// The value in fixed notation with precision decimals.
void WriteNumberValue(char* scratch, TextOutput& out, const char* name, double value,
                      int precision, bool bracket);

#endif  // MAPTAG_WORKING_FILEHANDLER_PARSETOOLS_H_
