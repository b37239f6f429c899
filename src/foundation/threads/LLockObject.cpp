#include "foundation/threads/LLockObject.h"

LLockObject::LLockObject()
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mutex_, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

LLockObject::~LLockObject()
{
    pthread_mutex_destroy(&mutex_);
}

void LLockObject::Lock()
{
    pthread_mutex_lock(&mutex_);
}

void LLockObject::Unlock()
{
    pthread_mutex_unlock(&mutex_);
}

bool LLockObject::TryLock()
{
    return pthread_mutex_trylock(&mutex_) == 0;
}
