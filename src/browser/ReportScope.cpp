#include "browser/ReportScope.h"

#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"

ReportScope ReportScope::ofEngine(const SourceNodeManager &engine)
{
    ReportScope scope;
    for (const RootNode::Ptr &root : engine.rootNodes())
        scope.sources.append({root, root->rootPath(), qint64(root->index())});
    scope.totals = {engine.totalFileNumber(), engine.totalFileSize(), engine.totalDupGroupNumber(),
                    engine.totalRemovableFileNumber(), engine.totalWasteSize()};
    scope.rules = engine.ruleController();
    return scope;
}
