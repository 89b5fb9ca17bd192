// The fuzz binaries' front end: nothing is shown, but every text the core
// hands over is measured, so that an unterminated one shows under the
// address sanitizer.
#pragma once

#include "image/front_end.h"

class FuzzFrontEnd final : public FrontEnd {
public:
    void ShowMessage(MessageId id, const char* argument, BoxOwner owner) override;
    void SetControlText(int controlId, const char* text) override;
};
