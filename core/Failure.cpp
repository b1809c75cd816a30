#include "core/Failure.h"

#include <utility>

Failure::Failure(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toUtf8())
{
}

Failure Failure::overflow()
{
    return Failure(Overflow, QStringLiteral("Overflow"));
}

Failure Failure::typeMismatch()
{
    return Failure(TypeMismatch, QStringLiteral("Type mismatch"));
}

Failure Failure::invalidUseOfNull()
{
    return Failure(InvalidUseOfNull, QStringLiteral("Invalid use of Null"));
}
