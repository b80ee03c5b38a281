// The drawn images: every id the panes and the toolbar ask for gives a usable
// 16 x 16 image with a see-through background, and unknown ids give nothing.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "ui/CommandIds.h"
#include "ui/Icons.h"

namespace {

const int kBitmapIds[] = {IDB_ENTRY_TEXT, IDB_ENTRY_FOLDER, IDB_FOLDER_OPEN, IDB_NO_DROP, IDB_ENTRY_LINK};

const int kToolbarIds[] = {ID_FILE_NEW,      ID_FILE_OPEN,      ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT,
                           ID_ENTRY_DELETE,  ID_ENTRY_MOVE_UP,  ID_ENTRY_MOVE_DOWN,    ID_LINK_EDIT,
                           ID_FOLDER_CREATE, ID_ENTRY_PREVIOUS, ID_ENTRY_NEXT,         ID_SEARCH,
                           ID_WRITE_PROTECT};

int OpaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128) ++n;
    return n;
}

void ExpectUsableImage(const QImage& source, int nId) {
    SCOPED_TRACE(nId);
    ASSERT_FALSE(source.isNull());
    ASSERT_EQ(source.size(), QSize(16, 16));
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(image.hasAlphaChannel());
    for (QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)})
        EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << "corner " << corner.x() << "," << corner.y();
    // something recognisable, but not a filled square
    const int nOpaque = OpaquePixels(image);
    EXPECT_GE(nOpaque, 20);
    EXPECT_LE(nOpaque, 16 * 16 - 20);
}

}  // namespace

TEST(CIconsTest, BitmapsAreSmallTransparentImages) {
    for (int nId : kBitmapIds) ExpectUsableImage(GetBitmap(nId).toImage(), nId);
}

TEST(CIconsTest, ToolbarCommandsHaveIconsAt16Pixels) {
    for (int nId : kToolbarIds) {
        QIcon icon = GetCommandIcon(nId);
        ASSERT_FALSE(icon.isNull()) << nId;
        ExpectUsableImage(icon.pixmap(QSize(16, 16)).toImage(), nId);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32))) << nId;
    }
}

TEST(CIconsTest, ImagesDifferFromEachOther) {
    // a copy-paste slip in the id tables would give two commands the same picture
    QList<QImage> images;
    for (int nId : kBitmapIds) images << GetBitmap(nId).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int nId : kToolbarIds)
        images << GetCommandIcon(nId).pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int i = 0; i < images.size(); ++i)
        for (int j = i + 1; j < images.size(); ++j) EXPECT_NE(images[i], images[j]) << i << " and " << j;
}

TEST(CIconsTest, UnknownIdsGiveNullImagesAndRepeatedCallsAreCached) {
    EXPECT_TRUE(GetBitmap(1).isNull());
    EXPECT_TRUE(GetCommandIcon(ID_APP_EXIT).isNull());
    EXPECT_TRUE(GetCommandIcon(-1).isNull());
    EXPECT_EQ(GetBitmap(IDB_ENTRY_FOLDER).cacheKey(), GetBitmap(IDB_ENTRY_FOLDER).cacheKey());
    EXPECT_EQ(GetCommandIcon(ID_SEARCH).cacheKey(), GetCommandIcon(ID_SEARCH).cacheKey());
}
