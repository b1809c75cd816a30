#include "core/Failure.h"

#include <utility>

Failure::Failure(int number, QString description, Kind kind)
    : m_number(number), m_description(std::move(description)), m_kind(kind),
      m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toUtf8())
{
}

Failure Failure::withDescription(QString description) const
{
    return Failure(m_number, std::move(description), m_kind);
}

QString Failure::text() const
{
    return QStringLiteral("Error %1\n%2").arg(m_number).arg(m_description);
}

Failure Failure::overflow()
{
    return Failure(Overflow, QStringLiteral("Overflow"), Kind::Conversion);
}

Failure Failure::typeMismatch()
{
    return Failure(TypeMismatch, QStringLiteral("Type mismatch"), Kind::Conversion);
}

Failure Failure::invalidUseOfNull()
{
    return Failure(InvalidUseOfNull, QStringLiteral("Invalid use of Null"), Kind::Conversion);
}
