// Statement rewriting: the program's SQL texts, written for the classic engine, made into what
// SQLite runs. CREATE TABLE gets case-insensitive text columns, each sized one with a check that
// names itself; elsewhere "&" joins texts, and the text literals of a plain SELECT, INSERT, UPDATE
// or DELETE become bound values, so that statements differing only in their values share one
// prepared statement. A text the rewriting does not know passes through unchanged.
#include "platform/AdoStatement.h"

#include <algorithm>
#include <cctype>

#include "platform/AdoInternal.h"
#include "platform/Text.h"

namespace platform::ado::internal {

std::vector<Token> Tokenize(const std::string& sql) {
  std::vector<Token> tokens;
  size_t i = 0, n = sql.size();
  auto closing = [&](char close, bool doubled) {
    size_t j = i + 1;
    while (j < n) {
      if (sql[j] == close) {
        if (doubled && j + 1 < n && sql[j + 1] == close) {
          j += 2;
          continue;
        }
        return j + 1;
      }
      ++j;
    }
    return n;
  };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(sql[i]);
    size_t end = i + 1;
    Token::Kind kind = Token::Punct;
    if (std::isspace(c)) {
      kind = Token::Space;
      while (end < n && std::isspace(static_cast<unsigned char>(sql[end]))) ++end;
    } else if (c == '[') {
      kind = Token::Bracket;
      end = closing(']', false);
    } else if (c == '`') {
      kind = Token::Bracket;
      end = closing('`', false);
    } else if (c == '"') {
      kind = Token::Quoted;
      end = closing('"', true);
    } else if (c == '\'') {
      kind = Token::String;
      end = closing('\'', true);
    } else if (std::isdigit(c)) {
      kind = Token::Number;
      while (end < n && (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '.')) ++end;
    } else if (std::isalpha(c) || c == '_' || c >= 0x80) {
      kind = Token::Word;
      while (end < n) {
        unsigned char d = static_cast<unsigned char>(sql[end]);
        if (!(std::isalnum(d) || d == '_' || d == '$' || d >= 0x80)) break;
        ++end;
      }
    }
    tokens.push_back({kind, sql.substr(i, end - i)});
    i = end;
  }
  return tokens;
}

namespace {

// The text of a quoted literal without its quotes, doubled quotes made single.
std::string Unquote(const std::string& literal) {
  char quote = literal[0];
  std::string inner = literal.size() >= 2 && literal.back() == quote ? literal.substr(1, literal.size() - 2)
                                                                       : literal.substr(1);
  return Replace(inner, std::string(2, quote), std::string(1, quote));
}

}  // namespace

std::string NameOf(const Token& t) {
  if (t.kind == Token::Bracket) return t.text.substr(1, t.text.size() >= 2 ? t.text.size() - 2 : 0);
  if (t.kind == Token::Quoted) return Unquote(t.text);
  return t.text;
}

namespace {

bool Is(const Token& t, const char* word) { return t.kind == Token::Word && UCase(t.text) == word; }

// Text columns become case-insensitive, and a sized text column gets a check that names itself
// so that a value too long for it can be told apart from other failures.
std::string RewriteCreateTable(const std::vector<Token>& tokens) {
  std::string out;
  size_t i = 0;
  for (; i < tokens.size(); ++i) {
    out += tokens[i].text;
    if (tokens[i].kind == Token::Punct && tokens[i].text == "(") break;
  }
  if (i == tokens.size()) return out;
  ++i;
  int depth = 1;
  bool atDefinition = true;
  while (i < tokens.size()) {
    const Token& t = tokens[i];
    if (t.kind == Token::Space) {
      out += t.text;
      ++i;
      continue;
    }
    if (atDefinition && depth == 1) {
      atDefinition = false;
      bool constraint = Is(t, "CONSTRAINT") || Is(t, "PRIMARY") || Is(t, "UNIQUE") || Is(t, "CHECK") ||
                        Is(t, "FOREIGN");
      if (!constraint && (t.kind == Token::Word || t.kind == Token::Bracket || t.kind == Token::Quoted)) {
        out += t.text;
        const Token& name = t;
        size_t j = i + 1;
        std::string gap;
        while (j < tokens.size() && tokens[j].kind == Token::Space) gap += tokens[j++].text;
        if (j < tokens.size() && tokens[j].kind == Token::Word) {
          std::string type = UCase(tokens[j].text);
          bool sized = type == "TEXT" || type == "VARCHAR" || type == "CHAR" || type == "NVARCHAR" ||
                       type == "NCHAR" || type == "CHARACTER" || type == "STRING" || type == "ALPHANUMERIC";
          bool unsized = type == "MEMO" || type == "LONGTEXT" || type == "NOTE" || type == "NTEXT" ||
                         type == "LONGCHAR";
          if (sized || unsized) {
            ++j;
            std::string size = "255";
            size_t k = j;
            while (k < tokens.size() && tokens[k].kind == Token::Space) ++k;
            if (sized && k + 2 < tokens.size() && tokens[k].text == "(" && tokens[k + 1].kind == Token::Number &&
                tokens[k + 2].text == ")") {
              size = tokens[k + 1].text;
              j = k + 3;
            }
            out += gap + "TEXT COLLATE NOCASE";
            if (sized) {
              std::string columnName = NameOf(name);
              out += " CONSTRAINT [" + std::string(kSizeConstraint) + columnName + "] CHECK(length([" + columnName +
                     "])<=" + size + ")";
            }
            i = j;
            continue;
          }
        }
        ++i;
        continue;
      }
    }
    if (t.kind == Token::Punct) {
      if (t.text == "(") ++depth;
      if (t.text == ")") --depth;
      if (t.text == "," && depth == 1) atDefinition = true;
    }
    out += t.text;
    ++i;
  }
  return out;
}

}  // namespace

Prepared Prepare(const std::string& sql) {
  std::vector<Token> tokens = Tokenize(sql);
  Prepared p;
  auto first = std::find_if(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind != Token::Space; });
  if (first == tokens.end()) {
    p.sql = sql;
    return p;
  }
  std::string verb = first->kind == Token::Word ? UCase(first->text) : "";
  if (verb == "CREATE") {
    auto next = std::find_if(first + 1, tokens.end(), [](const Token& t) { return t.kind != Token::Space; });
    if (next != tokens.end() && Is(*next, "TABLE")) {
      p.sql = RewriteCreateTable(tokens);
      return p;
    }
  }
  bool dml = verb == "SELECT" || verb == "INSERT" || verb == "UPDATE" || verb == "DELETE";
  bool hasParameter = std::any_of(tokens.begin(), tokens.end(),
                                  [](const Token& t) { return t.kind == Token::Punct && t.text == "?"; });
  p.cacheable = dml && !hasParameter;
  for (const Token& t : tokens) {
    if (p.cacheable && (t.kind == Token::String || t.kind == Token::Quoted)) {
      // Values travel as bound text, so statements that differ only in their values share one
      // prepared statement.
      p.sql += '?';
      p.binds.push_back(Unquote(t.text));
    } else if (t.kind == Token::Punct && t.text == "&") {
      p.sql += "||";
    } else {
      p.sql += t.text;
    }
  }
  return p;
}

}  // namespace platform::ado::internal
