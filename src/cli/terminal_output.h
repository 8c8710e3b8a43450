// Output of rq30517-cli that a terminal shows as it is: names from SCL files, client files and
// images may hold control characters (ESC, BEL, ...) that would clear the screen, set the
// window's title or colour the text. Every byte below 0x20 other than a line break, a tab and a
// CR before a line break goes out escaped as "\x1b"; JSON escapes these already, so only the text
// outputs and messages change.
#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>

namespace cli {

// A stream buffer that escapes control characters on their way to another one.
class Escaping_Buffer : public std::streambuf {
 public:
  explicit Escaping_Buffer(std::streambuf* out) : out_(out) {}
  ~Escaping_Buffer() override { Flush_Cr(); }

 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    const unsigned char c = static_cast<unsigned char>(traits_type::to_char_type(ch));
    if (cr_) {
      cr_ = false;
      if (c == '\n') return Put("\r\n") ? ch : traits_type::eof();
      if (!Put("\\x0d")) return traits_type::eof();
    }
    if (c == '\r') {
      cr_ = true;  // a line break may follow
      return ch;
    }
    if (Plain(c))
      return traits_type::eq_int_type(out_->sputc(static_cast<char>(c)), traits_type::eof())
                 ? traits_type::eof()
                 : ch;
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    return Put(escaped) ? ch : traits_type::eof();
  }
  // Runs without a control character go out in one piece: the JSON of a large model is long.
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    std::streamsize done = 0;
    while (done < count) {
      std::streamsize run = 0;
      while (!cr_ && done + run < count && Plain(static_cast<unsigned char>(text[done + run])))
        ++run;
      if (run > 0) {
        if (out_->sputn(text + done, run) != run) return done;
        done += run;
        continue;
      }
      if (traits_type::eq_int_type(overflow(traits_type::to_int_type(text[done])),
                                   traits_type::eof()))
        return done;
      ++done;
    }
    return done;
  }
  int sync() override {
    Flush_Cr();
    return out_->pubsync();
  }

 private:
  static bool Plain(unsigned char c) { return c >= 0x20 || c == '\n' || c == '\t'; }
  bool Put(const char* text) {
    for (; *text; ++text)
      if (traits_type::eq_int_type(out_->sputc(*text), traits_type::eof())) return false;
    return true;
  }
  void Flush_Cr() {
    if (cr_) Put("\\x0d");
    cr_ = false;
  }

  std::streambuf* out_;
  bool cr_ = false;
};

// Puts an Escaping_Buffer in front of `stream` for as long as it lives.
class Escaped_Output {
 public:
  explicit Escaped_Output(std::ostream& stream)
      : stream_(stream), buffer_(stream.rdbuf()), old_(stream.rdbuf(&buffer_)) {}
  ~Escaped_Output() {
    stream_.flush();
    stream_.rdbuf(old_);
  }
  Escaped_Output(const Escaped_Output&) = delete;
  Escaped_Output& operator=(const Escaped_Output&) = delete;

 private:
  std::ostream& stream_;
  Escaping_Buffer buffer_;
  std::streambuf* old_;
};

}  // namespace cli
