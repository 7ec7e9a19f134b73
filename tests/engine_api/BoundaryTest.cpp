// The engine boundary: creation by class id, interface lookup and counted references.
#include <gtest/gtest.h>

#include "OperatorLanguage.h"
#include "QtPrinters.h"
#include "RecordingEngine.h"

using namespace engine;

TEST(EngineBoundary, ViewsOfOneObjectShareItsCountAndLookupThrowsForMissingInterface) {
    testsupport::RecordingEngine eng;
    MRef<IMFile> file = create<IMFile>(eng, CLSID_FileSource);
    MRef<IMObject> obj = query<IMObject>(file);
    obj->CloseObject();
    EXPECT_EQ(eng.calls().back(), "file1.CloseObject()");
    try {
        query<IMPreview>(file);
        ADD_FAILURE() << "a missing interface was handed out";
    } catch (const EngineError& e) {
        // The application's error handler shows this text to the operator as it is.
        EXPECT_EQ(testsupport::englishWordsIn(e.text()), QStringList()) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QString::fromLatin1(IMPreview::IID.data())));
    }
    EXPECT_THROW(query<IMWriter>(obj), EngineError);
    file.reset();
    // The object lives on through its other view.
    int state = -1;
    EXPECT_EQ(obj->GetState(state), kOk);
}

TEST(EngineBoundary, UnknownClassIsAnError) {
    testsupport::RecordingEngine eng;
    EXPECT_THROW(eng.CreateObject("{00000000-0000-0000-0000-000000000000}"), EngineError);
    eng.failingClasses.insert(std::string(CLSID_PreviewRenderer));
    EXPECT_THROW(create<IMPreview>(eng, CLSID_PreviewRenderer), EngineError);
}
