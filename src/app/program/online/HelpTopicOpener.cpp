#include "app/program/online/HelpTopicOpener.h"

#include "gui/framework/LHelpTopicOpener.h"
#include "online/LHelpTopics.h"

namespace {

void OpenTopic(const char* topic)
{
    LShowHelpTopic(topic);
}

} // namespace

void LInstallHelpTopicOpener()
{
    LSetHelpTopicOpener(&OpenTopic);
}
