// Message interpretation. Until it is built, every message is dropped.
#include "reservation/interpret_message.h"

int interpret_message(char*)
{
    return -1;
}
