#include "frame/RegScript.h"

#include <cctype>
#include <charconv>

namespace kelmsgs {

namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

// Splits the script into blank-separated words and quoted strings.
class Tokenizer {
 public:
  Tokenizer(std::string_view text, const std::map<std::string, std::string>& replacements)
      : text_(text), replacements_(replacements) {}

  // False at the end of the text or on an unterminated quote (then error is set).
  bool Next(Token& token, std::string& error) {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (pos_ >= text_.size()) return false;
    token = {};
    if (text_[pos_] == '\'') {
      token.quoted = true;
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size()) {
          error = "unterminated quoted string";
          return false;
        }
        if (text_[pos_] == '\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
            token.text += '\'';
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        token.text += text_[pos_++];
      }
    } else {
      while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])))
        token.text += text_[pos_++];
    }
    return Substitute(token.text, error);
  }

 private:
  // Replaces %NAME% from the table and %% by a single percent sign.
  bool Substitute(std::string& s, std::string& error) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] != '%') {
        out += s[i];
        continue;
      }
      const std::size_t end = s.find('%', i + 1);
      if (end == std::string::npos) {
        error = "unterminated replacement in '" + s + "'";
        return false;
      }
      const std::string name = s.substr(i + 1, end - i - 1);
      if (name.empty()) {
        out += '%';
      } else {
        const auto it = replacements_.find(name);
        if (it == replacements_.end()) {
          error = "unknown replacement %" + name + "%";
          return false;
        }
        out += it->second;
      }
      i = end;
    }
    s = std::move(out);
    return true;
  }

  std::string_view text_;
  const std::map<std::string, std::string>& replacements_;
  std::size_t pos_ = 0;
};

bool IsWord(const Token& t, const char* word) {
  if (t.quoted) return false;
  const std::string_view a(t.text), b(word);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

class Parser {
 public:
  Parser(std::string_view text, const std::map<std::string, std::string>& replacements,
         std::string& error)
      : tokens_(text, replacements), error_(error) {}

  std::optional<RegScript> Run() {
    RegScript script;
    while (Advance()) {
      if (current_.quoted || current_.text == "{" || current_.text == "}")
        return Fail("root key expected");
      RegScriptRoot root{current_.text, {}};
      if (!Advance() || !IsWord(current_, "{")) return Fail("'{' expected after root key");
      if (!ParseBlock(root.keys, nullptr, 1)) return std::nullopt;
      script.roots.push_back(std::move(root));
    }
    if (!error_.empty()) return std::nullopt;
    return script;
  }

 private:
  static constexpr int kMaxDepth = 64;

  bool Advance() {
    have_ = tokens_.Next(current_, error_);
    return have_;
  }
  std::nullopt_t Fail(const std::string& what) {
    // A token that could not be read has already described itself.
    if (!have_ && !error_.empty()) return std::nullopt;
    error_ = what + (have_ ? " at '" + current_.text + "'" : " at end of script");
    return std::nullopt;
  }

  // Parses entries up to the closing brace of the block whose '{' is current.
  bool ParseBlock(std::vector<RegScriptKey>& keys, RegScriptKey* owner, int depth) {
    if (depth > kMaxDepth) return Fail("keys nested too deeply"), false;
    if (!Advance()) return Fail("'}' expected"), false;
    while (!IsWord(current_, "}")) {
      if (IsWord(current_, "{")) return Fail("key name expected"), false;
      if (IsWord(current_, "val")) {
        if (!ParseNamedValue(owner)) return false;
        continue;
      }
      RegScriptKey key;
      if (IsWord(current_, "NoRemove")) key.flag = RegScriptKey::Flag::NoRemove;
      if (IsWord(current_, "ForceRemove")) key.flag = RegScriptKey::Flag::ForceRemove;
      if (IsWord(current_, "Delete")) key.flag = RegScriptKey::Flag::Delete;
      if (key.flag != RegScriptKey::Flag::None && !Advance())
        return Fail("key name expected"), false;
      if (IsWord(current_, "{") || IsWord(current_, "}")) return Fail("key name expected"), false;
      key.name = current_.text;
      if (!Advance()) return Fail("'}' expected"), false;
      if (IsWord(current_, "=")) {
        RegScriptValue value;
        if (!ParseValue(value)) return false;
        key.defaultValue = std::move(value);
        if (!Advance()) return Fail("'}' expected"), false;
      }
      if (IsWord(current_, "{")) {
        if (!ParseBlock(key.subkeys, &key, depth + 1)) return false;
        if (!Advance()) return Fail("'}' expected"), false;
      }
      keys.push_back(std::move(key));
    }
    return true;
  }

  // "val Name = s 'text'": a named value of the key whose block this is.
  bool ParseNamedValue(RegScriptKey* owner) {
    if (!owner) return Fail("named value outside a key"), false;
    if (!Advance() || IsWord(current_, "{") || IsWord(current_, "}"))
      return Fail("value name expected"), false;
    std::string name = current_.text;
    if (!Advance() || !IsWord(current_, "=")) return Fail("'=' expected"), false;
    RegScriptValue value;
    if (!ParseValue(value)) return false;
    owner->values.emplace_back(std::move(name), std::move(value));
    if (!Advance()) return Fail("'}' expected"), false;
    return true;
  }

  // Type letter and value after '='.
  bool ParseValue(RegScriptValue& value) {
    if (!Advance()) return Fail("value type expected"), false;
    if (IsWord(current_, "s")) {
      value.type = 's';
    } else if (IsWord(current_, "d")) {
      value.type = 'd';
    } else {
      return Fail("value type s or d expected"), false;
    }
    if (!Advance() || !current_.quoted) return Fail("quoted value expected"), false;
    value.text = current_.text;
    if (value.type == 'd') {
      const char* first = value.text.data();
      const char* last = first + value.text.size();
      int base = 10;
      if (value.text.size() > 2 && value.text[0] == '0' && (value.text[1] | 0x20) == 'x') {
        first += 2;
        base = 16;
      }
      const auto [end, ec] = std::from_chars(first, last, value.number, base);
      if (ec != std::errc() || end != last || first == last) return Fail("bad number"), false;
    }
    return true;
  }

  Tokenizer tokens_;
  std::string& error_;
  Token current_;
  bool have_ = false;
};

}  // namespace

std::optional<RegScript> ParseRegScript(std::string_view text,
                                        const std::map<std::string, std::string>& replacements,
                                        std::string& error) {
  error.clear();
  auto script = Parser(text, replacements, error).Run();
  if (!script) {
    if (error.empty()) error = "invalid script";
    return std::nullopt;
  }
  return script;
}

}  // namespace kelmsgs
