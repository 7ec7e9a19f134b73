#include <gtest/gtest.h>

#include "ErrorReporter.h"
#include "ScriptedServices.h"
#include "engine/EngineError.h"
#include "widgets/ClipList.h"

TEST(ErrorReporter, ShowsTheTextOfAnyErrorAndLetsTheNextHandlerRun) {
    testsupport::ScriptedServices services;
    ErrorReporter errors(nullptr, services.messages);
    errors.run([] { throw engine::EngineError(QStringLiteral("Interface não suportada")); });
    errors.run([] { throw widgets::FolderError(QStringLiteral("Pasta não encontrada: /gravações")); });
    errors.run([] { throw std::runtime_error("disk full"); });
    errors.run([] { throw 42; });
    bool ran = false;
    errors.guarded([&] { ran = true; })();
    EXPECT_TRUE(ran);
    EXPECT_EQ(services.messages.shown,
              QStringList({"Interface não suportada", "Pasta não encontrada: /gravações", "disk full",
                           "Erro inesperado"}));
}
