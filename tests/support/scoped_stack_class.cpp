#include "support/scoped_stack_class.h"

#include <mutex>

ScopedStackClass::ScopedStackClass(TIdStackFactory factory) {
    std::lock_guard<std::recursive_mutex> hold(StackLock);
    FSaved = StackClass;
    StackClass = std::move(factory);
    SharedStack.reset();
}

ScopedStackClass::~ScopedStackClass() {
    std::lock_guard<std::recursive_mutex> hold(StackLock);
    StackClass = FSaved;
    SharedStack.reset();
}
