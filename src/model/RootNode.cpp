#include "model/RootNode.h"

#include "fs/FileManagerProxy.h"

RootNode::RootNode(Token, QByteArray path) : m_rootPath(std::move(path))
{
}

RootNode::Ptr RootNode::initWithPath(const QByteArray &path)
{
    FileManagerProxy &fm = FileManagerProxy::sharedInstance();
    const Url url = Url::fromAbsolutePath(path);
    if (path.isEmpty() || !fm.isUrlExist(url))
        return nullptr;
    auto root = std::make_shared<RootNode>(Token(), path);
    root->m_icon = fm.iconForURL_withFlag_withSize(url, 0, 17);
    return root;
}

std::optional<Image> RootNode::icon() const
{
    return m_icon;
}
