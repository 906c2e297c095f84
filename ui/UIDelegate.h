// CUIDelegate: the toolkit's callback value, a function and the context handed back to it.
#pragma once
#include <stdint.h>

class CWidget;

// A delegate function: (sender, context, further arguments of the event). Events without
// further arguments pass 0 for both. The result is the handler's answer (1 for done, 0 to
// stop a navigation after a failed check).
typedef int (*UIDelegateFunction)(CWidget* sender, void* context, intptr_t arg1, intptr_t arg2);

struct CUIDelegate {
    UIDelegateFunction function;
    void* context;

    CUIDelegate() : function(nullptr), context(nullptr) {}
    CUIDelegate(UIDelegateFunction f, void* c) : function(f), context(c) {}

    bool IsSet() const { return function != nullptr; }
    // Calls the function when it is set; 1 without a function.
    int Call(CWidget* sender, intptr_t arg1 = 0, intptr_t arg2 = 0) const
    {
        return function ? function(sender, context, arg1, arg2) : 1;
    }
    bool operator==(const CUIDelegate& o) const
    {
        return function == o.function && context == o.context;
    }
    bool operator!=(const CUIDelegate& o) const { return !(*this == o); }
};
