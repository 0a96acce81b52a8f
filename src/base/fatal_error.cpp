#include "base/fatal_error.h"

#include "base/app_state.h"
#include "base/text.h"

namespace tandril {

std::string FatalErrorText() {
    std::string text = "Tandril has encountered an error which it cannot solve.\n";
    text += Format(999, "Please report it to %s with an e-mail\n", kSupportEmail);
    text += "message including a small description of what the Tandril software was\n";
    text += "doing when it crashed. Thank you for using Tandril.";
    return text.substr(0, 999);
}

}  // namespace tandril
