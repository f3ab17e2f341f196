// orvanel-picture: the application's picture import as a command, for divers who prepare pictures
// in bulk. Reads an image file, stretches it over 128 × 80 and reduces it to the four levels with
// the given boundaries, and writes the result, and if asked the device's picture file.
#pragma once

#include <QStringList>
#include <QTextStream>

// Runs the command with `arguments` (without the program's name). Returns the exit code: 0 when
// everything was written, 2 after any failure, whose message went to `errors`.
int RunPictureCommand(const QStringList& arguments, QTextStream& output, QTextStream& errors);
