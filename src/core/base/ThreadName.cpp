#include "base/ThreadName.h"

#include <pthread.h>

#include <string>

void NameThread(const char* name) {
    pthread_setname_np(pthread_self(), std::string(name).substr(0, 15).c_str());
}
