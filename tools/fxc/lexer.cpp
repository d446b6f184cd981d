#include "lexer.h"

#include <cctype>

namespace {

char Peek(const Lexer& lexer, size_t ahead = 0)
{
    size_t at = lexer.pos + ahead;
    return at < lexer.text.size() ? lexer.text[at] : '\0';
}

bool AtEnd(const Lexer& lexer) { return lexer.pos >= lexer.text.size(); }

void Advance(Lexer& lexer)
{
    if (lexer.text[lexer.pos] == '\n') {
        lexer.loc.line++;
        lexer.loc.col = 1;
    } else {
        lexer.loc.col++;
    }
    lexer.pos++;
}

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Skips a comment starting at the cursor; false when there is none.
bool SkipComment(Lexer& lexer)
{
    if (Peek(lexer) != '/') return false;
    if (Peek(lexer, 1) == '/') {
        while (!AtEnd(lexer) && Peek(lexer) != '\n') Advance(lexer);
        return true;
    }
    if (Peek(lexer, 1) != '*') return false;
    SourceLoc start = lexer.loc;
    Advance(lexer);
    Advance(lexer);
    while (!(Peek(lexer) == '*' && Peek(lexer, 1) == '/')) {
        if (AtEnd(lexer)) throw CompileError{start, "unterminated comment"};
        Advance(lexer);
    }
    Advance(lexer);
    Advance(lexer);
    return true;
}

void SkipSpaceAndComments(Lexer& lexer)
{
    for (;;) {
        while (!AtEnd(lexer) && std::isspace(static_cast<unsigned char>(Peek(lexer)))) Advance(lexer);
        if (!SkipComment(lexer)) return;
    }
}

void ReadNumber(Lexer& lexer, Token& token)
{
    auto take = [&]() {
        token.text += Peek(lexer);
        Advance(lexer);
    };
    while (IsDigit(Peek(lexer))) take();
    if (Peek(lexer) == '.') take();
    while (IsDigit(Peek(lexer))) take();
    if ((Peek(lexer) == 'e' || Peek(lexer) == 'E') &&
        (IsDigit(Peek(lexer, 1)) || ((Peek(lexer, 1) == '-' || Peek(lexer, 1) == '+') && IsDigit(Peek(lexer, 2))))) {
        take();
        take();
        while (IsDigit(Peek(lexer))) take();
    }
    if (Peek(lexer) == 'f' || Peek(lexer) == 'F') Advance(lexer);
    if (token.text == ".") throw CompileError{token.loc, "malformed number"};
}

}  // namespace

Token NextToken(Lexer& lexer)
{
    SkipSpaceAndComments(lexer);
    Token token;
    token.loc = lexer.loc;
    if (AtEnd(lexer)) return token;
    char c = Peek(lexer);
    if (IsIdentStart(c)) {
        token.kind = TokenKind::Identifier;
        while (IsIdentChar(Peek(lexer))) {
            token.text += Peek(lexer);
            Advance(lexer);
        }
    } else if (IsDigit(c) || (c == '.' && IsDigit(Peek(lexer, 1)))) {
        token.kind = TokenKind::Number;
        ReadNumber(lexer, token);
    } else if (std::string("{}()<>[];,=:-+").find(c) != std::string::npos) {
        token.kind = TokenKind::Punct;
        token.text = c;
        Advance(lexer);
    } else {
        throw CompileError{token.loc, "unexpected character '" + std::string(1, std::isprint(static_cast<unsigned char>(c)) ? c : '?') + "'"};
    }
    return token;
}

std::string ReadAsmBody(Lexer& lexer, SourceLoc open, SourceLoc& bodyStart)
{
    bodyStart = lexer.loc;
    std::string body;
    for (;;) {
        if (AtEnd(lexer)) throw CompileError{open, "unterminated asm block"};
        if (Peek(lexer) == '}') break;
        size_t before = lexer.pos;
        if (SkipComment(lexer)) {
            // Comments stay in place as blank space so the assembler's line numbers still match.
            for (size_t i = before; i < lexer.pos; ++i) body += lexer.text[i] == '\n' ? '\n' : ' ';
            continue;
        }
        body += Peek(lexer);
        Advance(lexer);
    }
    Advance(lexer);
    return body;
}
