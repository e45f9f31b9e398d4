#include <QCoreApplication>

#include "testenvironment.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    useTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("RoamlogTests"));
    QCoreApplication::setApplicationName(QStringLiteral("RoamlogTests"));
    return RUN_ALL_TESTS();
}
