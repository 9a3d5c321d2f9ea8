// The CAD library's own failures. Every message begins with the class and operation that raised it
// ("TPointsSet2D.Get: Index out of bound"), so a report names the culprit.
#pragma once

#include "platform/exception.h"

namespace cad {

class EKQSysException : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// An index past a bound.
class ECADOutOfBound : public EKQSysException {
 public:
  using EKQSysException::EKQSysException;
};

// An unregistered class id or name, or a registry slot already taken.
class ECADObjClassNotFound : public EKQSysException {
 public:
  using EKQSysException::EKQSysException;
};

class ECADSourceBlockIsReferenced : public EKQSysException {
 public:
  using EKQSysException::EKQSysException;
};

class ECADFileNotValid : public EKQSysException {
 public:
  using EKQSysException::EKQSysException;
};

class ECADListObjNotFound : public EKQSysException {
 public:
  using EKQSysException::EKQSysException;
};

// A list refuses a change or an iterator while iterators are open.
class ECADListBlocked : public EKQSysException {
 public:
  using EKQSysException::EKQSysException;
};

}  // namespace cad
