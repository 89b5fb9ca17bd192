#include "fuzz/fuzz_front_end.h"

#include <cstring>

namespace {

void Measure(const char* text)
{
    volatile size_t length = text ? std::strlen(text) : 0;
    (void)length;
}

}  // namespace

void FuzzFrontEnd::ShowMessage(MessageId id, const char* argument, BoxOwner)
{
    Measure(TextOfMessage(id).before);
    Measure(argument);
}

void FuzzFrontEnd::SetControlText(int, const char* text) { Measure(text); }
