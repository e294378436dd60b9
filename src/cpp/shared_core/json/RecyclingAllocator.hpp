// RecyclingAllocator.hpp: an allocator for the small blocks that views and members are
// made of, keeping freed blocks for the next allocation of their size on that thread.
//
// Iterating a container makes and drops one view per step, each one heap block; the
// C heap's cost dominates a step. Each thread keeps a short shelf of freed blocks per
// size. Every block comes from operator new on its own, so a block may be made on one
// thread, freed on another and end up on that thread's shelf.
//
// Under AddressSanitizer no block is kept: each goes back to the heap when freed, so a
// view used after its release is reported instead of reading a block kept for reuse.
#pragma once

#include <cstddef>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VELORIN_JSON_KEEPS_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELORIN_JSON_KEEPS_BLOCKS 0
#endif
#endif
#ifndef VELORIN_JSON_KEEPS_BLOCKS
#define VELORIN_JSON_KEEPS_BLOCKS 1
#endif

namespace velorin::core::json {

template <std::size_t Size>
class BlockShelf
{
public:
   static void* take()
   {
      Shelf& shelf = threadShelf();
      if (shelf.top == nullptr)
         return ::operator new(Size);
      FreeBlock* block = shelf.top;
      shelf.top = block->next;
      --shelf.count;
      return block;
   }

   static void put(void* memory)
   {
      Shelf& shelf = threadShelf();
      if (shelf.count == kCapacity || shelf.closed)
      {
         ::operator delete(memory);
         return;
      }
      // The first block kept on this thread arranges for the shelf to be emptied when
      // the thread ends.
      if (!shelf.emptyingArranged)
      {
         arrangeEmptying();
         shelf.emptyingArranged = true;
      }
      shelf.top = new (memory) FreeBlock{shelf.top};
      ++shelf.count;
   }

private:
   static constexpr std::size_t kCapacity = 256;

   struct FreeBlock
   {
      FreeBlock* next;
   };
   static_assert(Size >= sizeof(FreeBlock), "a block must hold the link to the next free one");

   // Trivial, so reaching it costs no check for a first use; blocks freed while the
   // thread ends, after the shelf has been emptied, go straight back to the heap.
   struct Shelf
   {
      FreeBlock* top;
      std::size_t count;
      bool emptyingArranged;
      bool closed;
   };

   struct Closer
   {
      ~Closer()
      {
         Shelf& shelf = threadShelf();
         shelf.closed = true;
         while (shelf.top != nullptr)
         {
            FreeBlock* block = shelf.top;
            shelf.top = block->next;
            ::operator delete(block);
         }
         shelf.count = 0;
      }
   };

   // Function-local, not static members: MinGW-w64 emits the initialisation function of
   // a class template's thread_local member in every object file that uses it, and
   // programs then fail to link.
   static Shelf& threadShelf() noexcept
   {
      thread_local Shelf shelf{};
      return shelf;
   }

   static void arrangeEmptying()
   {
      thread_local Closer closer;
      static_cast<void>(closer);
   }
};

template <typename T>
class RecyclingAllocator
{
public:
   using value_type = T;

   RecyclingAllocator() = default;
   template <typename U>
   RecyclingAllocator(const RecyclingAllocator<U>&)
   {
   }

   static_assert(alignof(T) <= alignof(std::max_align_t), "blocks have the heap's alignment");

   T* allocate(std::size_t count)
   {
      if (count != 1 || !VELORIN_JSON_KEEPS_BLOCKS)
         return static_cast<T*>(::operator new(count * sizeof(T)));
      return static_cast<T*>(BlockShelf<sizeof(T)>::take());
   }

   void deallocate(T* pointer, std::size_t count)
   {
      if (count != 1 || !VELORIN_JSON_KEEPS_BLOCKS)
         ::operator delete(pointer);
      else
         BlockShelf<sizeof(T)>::put(pointer);
   }

   template <typename U>
   bool operator==(const RecyclingAllocator<U>&) const
   {
      return true;
   }
   template <typename U>
   bool operator!=(const RecyclingAllocator<U>&) const
   {
      return false;
   }
};

} // namespace velorin::core::json
