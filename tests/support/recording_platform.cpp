#include "tests/support/recording_platform.h"

RecordedCalls& Recorded()
{
    static RecordedCalls calls;
    return calls;
}

void ClearRecordedCalls() { Recorded() = RecordedCalls(); }
