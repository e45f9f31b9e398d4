#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("RoamlogTests"));
    QCoreApplication::setApplicationName(QStringLiteral("RoamlogTests"));
    return RUN_ALL_TESTS();
}
