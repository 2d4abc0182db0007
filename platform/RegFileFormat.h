// Reads and writes the settings store as a registry export file
// ("Windows Registry Editor Version 5.00"), so that a person can read, back
// up and edit it and a registry export of the same keys imports.
#pragma once

#include "platform/HiveTree.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// The tree's top-level keys are the root keys ("HKEY_CURRENT_USER", ...).
// The result is UTF-8 text. A key with subkeys but no values gets no section
// of its own, since a subkey's section makes it: every section carries its
// full path, and so the file grows with the paths of the keys that hold
// something, not with the square of their depth.
QByteArray SerializeRegFile(const THiveKey& roots);

struct TRegParseResult {
    std::unique_ptr<THiveKey> Roots;  // what could be read; never null
    QStringList Skipped;              // what was left out, "line N: what"
};

// Accepts UTF-8 (with or without a byte-order mark), lines that are not valid
// UTF-8 as Windows-1252, and UTF-16LE as exported by the registry editor; the
// "REGEDIT4" header too, and any of CRLF, LF or CR line ends. What cannot be
// read is skipped at the smallest unit (a value, else a whole section) and
// the rest is kept. Empty input is an empty store.
TRegParseResult ParseRegFile(const QByteArray& bytes);

inline constexpr const char* kRegFileHeader = "Windows Registry Editor Version 5.00";
inline constexpr const char* kRegFileHeader4 = "REGEDIT4";
inline constexpr const char* kCurrentUserRoot = "HKEY_CURRENT_USER";
