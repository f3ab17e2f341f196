// orvanel-picture: see PictureCommand.h.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "PictureCommand.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTextStream output(stdout);
  QTextStream errors(stderr);
  return RunPictureCommand(QCoreApplication::arguments().mid(1), output, errors);
}
