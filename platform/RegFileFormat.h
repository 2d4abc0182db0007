// Reads and writes the settings store as a registry export file
// ("Windows Registry Editor Version 5.00"), so that a person can read, back
// up and edit it and a registry export of the same keys imports.
#pragma once

#include "platform/HiveTree.h"

#include <QByteArray>
#include <QString>

#include <memory>

// The tree's top-level keys are the root keys ("HKEY_CURRENT_USER", ...).
// The result is UTF-8 text.
QByteArray SerializeRegFile(const THiveKey& roots);

struct TRegParseResult {
    std::unique_ptr<THiveKey> Roots;  // null when the text is damaged
    QString Error;                    // what is wrong and on which line
};

// Accepts UTF-8 (with or without a byte-order mark) and UTF-16LE with its mark,
// as exported by the registry editor. Empty input is an empty store.
TRegParseResult ParseRegFile(const QByteArray& bytes);

inline constexpr const char* kRegFileHeader = "Windows Registry Editor Version 5.00";
inline constexpr const char* kCurrentUserRoot = "HKEY_CURRENT_USER";
