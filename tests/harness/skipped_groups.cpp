#include "skipped_groups.h"

#include <cstdlib>
#include <sstream>

bool group_skipped(const std::string& group)
{
    const char* listed = std::getenv("TILEQUILT_SKIPPED_GROUPS");
    std::istringstream groups(listed ? listed : "");
    for (std::string name; groups >> name;)
        if (name == group)
            return true;
    return false;
}
