#include "process/process_result.h"

const char* ProcessResultText(LProcessResult result) {
    switch (result) {
        case LPROCESS_OK:
            return "";
        case LPROCESS_STOPPED:
            return "LPROCESS_STOPPED";
        default:
            return "LPROCESS_FAILED";
    }
}
