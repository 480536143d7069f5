#pragma once

// What every styled text the program builds must hold, whatever its input:
// spans inside the text, and runs that cover the text exactly, in order.

#include "FuzzHarness.h"

#include "text/StyledText.h"

namespace fuzz {

inline void checkStyledText(const StyledText &styled)
{
    for (const StyledText::Span &span : styled.spans()) {
        FUZZ_CHECK(span.start >= 0 && span.length > 0);
        FUZZ_CHECK(span.end() <= styled.length());
    }
    int next = 0;
    for (const StyledText::Run &run : styled.runs()) {
        FUZZ_CHECK(run.start == next && run.length > 0);
        next += run.length;
    }
    FUZZ_CHECK(next == styled.length());
}

} // namespace fuzz
