// The module's allocator for temporary C arrays. A heap is an operations
// table and a context; freeing a null pointer is a no-op and freeing nulls
// the pointer, so every path may free every array it might have taken.
#pragma once
#include <cstddef>

struct ol_MemoryAllocator_Ops {
  int (*allocate)(void *ctx, size_t size, void **ptr);
  int (*reallocate)(void *ctx, void **ptr, size_t size);
  int (*free)(void *ctx, void **ptr);
  int (*reserved)(void);
};

struct ol_MemoryAllocator_Heap {
  const ol_MemoryAllocator_Ops *ops;
  void *ctx;
};

extern ol_MemoryAllocator_Heap ol_MemoryAllocator_DefaultHeap_s;
extern ol_MemoryAllocator_Heap *const ol_MemoryAllocator_DefaultHeap;

int ol_MemoryAllocator_Alloc_Untyped(ol_MemoryAllocator_Heap *heap, size_t size, void **ptr);
int ol_MemoryAllocator_Realloc_Untyped(ol_MemoryAllocator_Heap *heap, void **ptr, size_t size);
int ol_MemoryAllocator_Free_Untyped(ol_MemoryAllocator_Heap *heap, void **ptr);
