#include "corvane/controller/problem.h"

namespace corvane {

const std::string& text(const platform::PlatformTexts& texts, Problem problem) {
    switch (problem) {
        case Problem::hotkeyTaken:
            return texts.hotkeyTaken;
        case Problem::hotkeyMissing:
            return texts.hotkeyMissing;
        case Problem::jumpKeysTaken:
            return texts.jumpKeysTaken;
        case Problem::jumpKeysMissing:
            return texts.jumpKeysMissing;
        case Problem::jumpKeysCollide:
            return texts.jumpKeysCollide;
        case Problem::captureUnavailable:
            break;
    }
    return texts.screenRecordingNeeded;
}

}  // namespace corvane
