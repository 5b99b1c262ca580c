// Makes SharedStack come from another factory for a test's duration. Unlike
// the other test peers this one sits on our socket layer: it swaps the
// layer's own stack class.
#pragma once

#include "sock/stack.h"

// The stack in use before is dropped on both ends, so no network component
// may be alive across either.
class ScopedStackClass {
public:
    explicit ScopedStackClass(TIdStackFactory factory);
    ~ScopedStackClass();
    ScopedStackClass(const ScopedStackClass&) = delete;
    ScopedStackClass& operator=(const ScopedStackClass&) = delete;

private:
    TIdStackFactory FSaved;
};
