// Character sets of ISO 2709 files: conversion of field texts to and from the UTF-8 the engine
// keeps.
//
// Single-byte code pages (Windows-1251, CP866, KOI8-R) go through glibc iconv; MARC-8 goes through
// the converter of YAZ (libyaz, loaded at run time on first use), whose decoder knows the escape
// sequences and combining marks of MARC-8.
// The subfield delimiter 0x1F passes through every conversion unchanged, and a MARC-8 converter is
// reset at every delimiter, so a field's subfields never share an escape state.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zarix {

enum class IsoEncoding { kUtf8, kWindows1251, kCp866, kKoi8r, kMarc8 };

// Parses an encoding name as users type it: "utf-8", "windows-1251", "cp866", "koi8-r",
// "marc-8" (case-insensitive; the spellings without "-" and "cp1251" are accepted too).
// Returns false for any other name.
bool ParseIsoEncoding(std::string_view name, IsoEncoding* encoding);
// The canonical name of an encoding ("utf-8", "windows-1251", ...).
const char* IsoEncodingName(IsoEncoding encoding);

// Converts field texts between one encoding and UTF-8.
//
// Not thread-safe (a MARC-8 converter carries state); cheap to keep for a whole file.
class IsoCharset {
 public:
  explicit IsoCharset(IsoEncoding encoding);
  ~IsoCharset();
  IsoCharset(const IsoCharset&) = delete;
  IsoCharset& operator=(const IsoCharset&) = delete;

  IsoEncoding encoding() const { return encoding_; }
  // False when the converter could not be set up: MARC-8 needs libyaz, which is loaded on first
  // use. The conversions then return their input unchanged.
  bool ok() const;

  // `text` in this encoding -> UTF-8. UTF-8 input is returned unchanged. A byte sequence the
  // encoding cannot decode becomes "?"; never fails.
  std::string ToUtf8(std::string_view text);
  // UTF-8 `text` -> this encoding. A character the encoding lacks becomes "?" and is counted
  // in lost(); never fails.
  std::string FromUtf8(std::string_view text);
  // Characters FromUtf8 could not carry over (single-byte code pages), since construction.
  size_t lost() const { return lost_; }

 private:
  struct Yaz;
  IsoEncoding encoding_;
  std::string decode_table_[256];  // single-byte code pages: byte -> its UTF-8 text
  std::unique_ptr<Yaz> yaz_;       // MARC-8 only
  size_t lost_ = 0;
};

}  // namespace zarix
