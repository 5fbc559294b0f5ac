// The framework's exceptions: thrown as pointers, caught as CException*, and released by the
// handler with Delete(). A heap object frees itself; the memory exception is one static object,
// so that raising it needs no memory and releasing it frees nothing.
#pragma once

#include "platform/win32.h"

class CException {
 public:
  explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) {}
  virtual ~CException() = default;
  CException(const CException&) = delete;
  CException& operator=(const CException&) = delete;

  // What a handler calls when it is done with the exception.
  void Delete();

 protected:
  BOOL m_bAutoDelete;  // TRUE for an object on the heap
};

class CUserException : public CException {
 public:
  using CException::CException;
};

class CMemoryException : public CException {
 public:
  using CException::CException;
};

// Raises a CUserException allocated on the heap.
[[noreturn]] void AfxThrowUserException();
// Raises the one static CMemoryException.
[[noreturn]] void AfxThrowMemoryException();
