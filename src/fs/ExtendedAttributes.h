#pragma once

#include "fs/AttributeHandle.h"

#include <QByteArray>
#include <QList>

// An extended attribute that a copy could not be given, and why (an errno value). The name is empty
// when the source's attributes could not be read at all.
struct AttributeLoss
{
    QByteArray name;
    int error;
};

// Gives the copy `to` every extended attribute of `from`, with its value: user.* and, where the
// privileges and the copy's file system allow, trusted.*, security.* and the POSIX ACLs, which are the
// attributes "system.posix_acl_access" and "system.posix_acl_default". An ACL that the copy inherited
// from its new folder and the source does not have is taken off, so that the copy's permissions are
// the source's alone. What could not be given is returned; it never stops the copy.
//
// Setting an ACL may change the permission bits, and a new owner drops file capabilities: call this
// after the owner is set and before the permissions and times are.
QList<AttributeLoss> copyExtendedAttributes(const AttributeHandle &from, const AttributeHandle &to);
