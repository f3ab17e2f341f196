// Finds a control by its object name, as the GUI tests reach every control of a page or window:
// the page keeps its controls to itself, and a test sees what a screen reader or a robot sees.
#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace testsupport {

// The child of `parent` (at any depth) named `name`; a missing control fails the test.
template <typename T>
T* Control(const QObject* parent, const char* name) {
  T* control = parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  if (!control) throw std::runtime_error(std::string("no control named ") + name);
  return control;
}

}  // namespace testsupport
