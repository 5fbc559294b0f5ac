// The framework's array of untyped pointers: the caller owns what the pointers point to.
#pragma once

#include <cstdint>
#include <vector>

using INT_PTR = intptr_t;
using DWORD_PTR = uintptr_t;

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
  void*& operator[](INT_PTR index) { return m_elements.at(static_cast<size_t>(index)); }
  void RemoveAll() { m_elements.clear(); }

 private:
  std::vector<void*> m_elements;
};
