// Test helpers for byte strings: hex in, hex out, and UTF-8 turned into code page 932 by iconv
// itself, independently of the code under test.
#pragma once

#include <string>
#include <string_view>

// "82 A0 61" → the three bytes; spaces are optional separators.
std::string Bytes(std::string_view hex);

// The bytes as "82 A0 61", for failure messages that explain themselves.
std::string Hex(std::string_view bytes);

// The bytes around index `at`, for texts too long to print whole.
std::string HexAround(std::string_view bytes, std::size_t at, std::size_t radius = 8);

// UTF-8 text converted by iconv to code page 932; aborts the test run on a character that
// code page 932 cannot hold, since an expectation must never be lossy.
std::string Sjis(std::string_view utf8);

// Where two byte strings first differ, with the hex of both around it; empty when equal.
std::string ByteDiff(std::string_view expected, std::string_view actual);
