// The framework's array of untyped pointers: the caller owns what the pointers point to.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"

class CPtrArray {
 public:
  INT_PTR GetSize() const { return static_cast<INT_PTR>(m_elements.size()); }
  // Appends element; returns its index.
  INT_PTR Add(void* element) {
    m_elements.push_back(element);
    return GetSize() - 1;
  }
  void* GetAt(INT_PTR index) const { return m_elements.at(static_cast<size_t>(index)); }
  void* operator[](INT_PTR index) const { return GetAt(index); }

 private:
  std::vector<void*> m_elements;
};
