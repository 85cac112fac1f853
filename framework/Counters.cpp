#include "framework/Counters.h"

namespace fw {
namespace {

// The counters, newest first; constant-initialised, so counters defined as
// statics anywhere register whatever the order of static initialisation.
constinit Counter* gCounters = nullptr;

}  // namespace

Counter::Counter(const char* name) : name_(name), next_(gCounters) { gCounters = this; }

Counter::~Counter() {
    for (Counter** link = &gCounters; *link != nullptr; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            return;
        }
    }
}

const Counter* FindCounter(std::string_view name) {
    for (const Counter* c = gCounters; c != nullptr; c = c->next_)
        if (name == c->Name()) return c;
    return nullptr;
}

}  // namespace fw
