#include "platform/exceptions.h"

void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

void AfxThrowUserException() {
  throw new CUserException(TRUE);
}

void AfxThrowMemoryException() {
  static CMemoryException outOfMemory(FALSE);
  throw &outOfMemory;
}
