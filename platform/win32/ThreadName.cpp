#include "ThreadName.h"

#include <pthread.h>

#include <cstring>

void NameCurrentThread(const char* name)
{
    if (!name) return;
    char kept[16] = {};
    std::strncpy(kept, name, sizeof kept - 1);
    pthread_setname_np(pthread_self(), kept);
}
