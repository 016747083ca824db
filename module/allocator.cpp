#include "module/allocator.h"
#include <cstdlib>

namespace {
int heap_alloc(void *, size_t size, void **ptr) {
  *ptr = malloc(size);
  return (*ptr == nullptr && size > 0) ? -1 : 0;
}
int heap_realloc(void *, void **ptr, size_t size) {
  void *p = realloc(*ptr, size);
  if (p == nullptr && size > 0) return -1;
  *ptr = p;
  return 0;
}
int heap_free(void *, void **ptr) {
  free(*ptr);
  *ptr = nullptr;
  return 0;
}
int heap_reserved(void) { return 1; }
const ol_MemoryAllocator_Ops default_ops = {heap_alloc, heap_realloc, heap_free, heap_reserved};
}  // namespace

ol_MemoryAllocator_Heap ol_MemoryAllocator_DefaultHeap_s = {&default_ops, nullptr};
ol_MemoryAllocator_Heap *const ol_MemoryAllocator_DefaultHeap = &ol_MemoryAllocator_DefaultHeap_s;

int ol_MemoryAllocator_Alloc_Untyped(ol_MemoryAllocator_Heap *heap, size_t size, void **ptr) {
  return heap->ops->allocate(heap->ctx, size, ptr);
}
int ol_MemoryAllocator_Realloc_Untyped(ol_MemoryAllocator_Heap *heap, void **ptr, size_t size) {
  return heap->ops->reallocate(heap->ctx, ptr, size);
}
int ol_MemoryAllocator_Free_Untyped(ol_MemoryAllocator_Heap *heap, void **ptr) {
  if (*ptr == nullptr) return 0;
  return heap->ops->free(heap->ctx, ptr);
}
