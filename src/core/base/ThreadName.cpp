#include "base/ThreadName.h"

#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <string>

void NameThread(const char* name) {
    const std::string cut(name, std::min<size_t>(std::strlen(name), 15));
    pthread_setname_np(pthread_self(), cut.c_str());
}
