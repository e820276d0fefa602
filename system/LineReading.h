#pragma once
// Line-oriented access to a file, independent of where the bytes live: the text file of
// the installer implements it over a Windows handle, the tests over a byte string.
#include <cstddef>
#include <cstdint>

namespace kaze {

class LineFile {
 public:
  LineFile() = default;
  virtual ~LineFile() = default;
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  // Reads up to count bytes; a read that yields nothing sets the end-of-file flag.
  size_t Read(void* buffer, size_t count);

  // Reads one line into buffer (size bytes including the terminator) and returns its
  // length. CR, LF and CR LF end a line and are not stored. At most size - 1 bytes are
  // stored; the rest of a longer line is skipped. An empty line and the end of the data
  // both return 0: AtEnd() tells them apart.
  size_t ReadLine(char* buffer, size_t size);

  // Reads and discards the rest of the current line, its line end included.
  void SkipLine();

  bool AtEnd() const { return endOfFile_; }

  virtual size_t Write(const void* data, size_t count) = 0;
  virtual bool Tell(uint32_t* position) = 0;
  // Moving the position clears the end-of-file flag.
  bool Seek(uint32_t position);
  virtual bool Size(uint32_t* size) = 0;
  // Ends the file at the current position.
  virtual bool Truncate() = 0;

 protected:
  virtual size_t ReadRaw(void* buffer, size_t count) = 0;
  virtual bool SeekRaw(uint32_t position) = 0;
  void ClearEndOfFile() { endOfFile_ = false; }

 private:
  bool ReadByte(unsigned char* byte);
  // Called after a CR: consumes a following LF, puts anything else back.
  void ConsumeLineFeed();

  bool endOfFile_ = false;
};

}  // namespace kaze
