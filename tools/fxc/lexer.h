// Splits effect source text into tokens with their line and column.
#pragma once

#include "fx_model.h"

#include <string>

enum class TokenKind { End, Identifier, Number, Punct };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    SourceLoc loc;
};

struct Lexer {
    std::string text;
    size_t pos = 0;
    SourceLoc loc;
};

Token NextToken(Lexer& lexer);
// Reads the raw text of an asm block up to its closing brace, which it consumes.
// `open` is the location of the opening brace, used when the block never ends.
std::string ReadAsmBody(Lexer& lexer, SourceLoc open, SourceLoc& bodyStart);
