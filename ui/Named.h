// Giving an object the name it is found by (its control name: cmdStart, lblFile …).
#pragma once

#include <QString>

template <typename T>
T* Named(T* object, const char* name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}
