// The window's one way of writing a file: whole or not at all (io::AtomicFile), with the reason
// worded for the status bar when it cannot be written.
#pragma once

#include "core/io/AtomicFile.h"

#include <QString>

#include <functional>
#include <string>

// Writes path through body; empty when written, otherwise why not (a sentence without its stop).
QString writeWholeFile(const QString& path, const std::function<bool(io::AtomicFile&)>& body);
QString writeWholeFile(const QString& path, const std::string& text);
