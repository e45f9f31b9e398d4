#include <QApplication>

#include "testenvironment.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    useTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("RoamlogTests"));
    QApplication::setApplicationName(QStringLiteral("RoamlogTests"));
    return RUN_ALL_TESTS();
}
