#include "platform/MemoryArenas.h"

#include "platform/OnAllCores.h"

#include <malloc.h>

void limitMemoryArenasToCores()
{
    ::mallopt(M_ARENA_MAX, coreCount());
}
