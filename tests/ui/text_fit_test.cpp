// Every text of the main window's pages and of the message window fits its box and overlaps no
// other text or picture, in English and in every shipped language (a right-to-left one in the
// mirrored window): a label's text within its box (wrapped where the layout wraps it) and within
// its page, a button's and a check box's caption within the control.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStyle>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "common/translations.h"
#include "common/user_language.h"
#include "support/pseudo_locale.h"
#include "ui/message_window.h"
#include "ui/widgets.h"
#include "ui/window_fixture.h"

namespace {

struct PlacedText {
  QString name;
  QRect rect;  // where the text is drawn, in the window's coordinates
};

// Where a label draws its text; an empty rect for no text.
QRect LabelTextRect(const QLabel& label, QString& failure) {
  const QRect inside = label.contentsRect();
  const QFontMetrics metrics(label.font());
  // A left-aligned label of a mirrored window draws from its right edge.
  const Qt::Alignment alignment = QStyle::visualAlignment(label.layoutDirection(), label.alignment());
  const int flags = static_cast<int>(alignment) | (label.wordWrap() ? Qt::TextWordWrap : 0);
  const QRect needed = metrics.boundingRect(inside, flags, label.text());
  if (needed.width() > inside.width() || needed.height() > inside.height()) {
    failure = QStringLiteral("needs %1x%2, has %3x%4")
                  .arg(needed.width()).arg(needed.height()).arg(inside.width()).arg(inside.height());
  }
  return needed;
}

// Where a check box that breaks its caption into lines draws it.
QRect WrappedCaptionRect(const WrappingCheckBox& check_box, QString& failure) {
  const QRect room = check_box.CaptionRect();
  const QRect needed =
      QFontMetrics(check_box.font())
          .boundingRect(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                        check_box.text());
  if (needed.width() > room.width() || needed.height() > room.height()) {
    failure = QStringLiteral("needs %1x%2, has %3x%4")
                  .arg(needed.width())
                  .arg(needed.height())
                  .arg(room.width())
                  .arg(room.height());
  }
  return QStyle::visualRect(check_box.layoutDirection(), check_box.rect(), needed);
}

// Where a button or check box draws its caption.
QRect ButtonTextRect(const QAbstractButton& button, QString& failure) {
  if (const auto* check_box = dynamic_cast<const WrappingCheckBox*>(&button);
      check_box && check_box->Wraps()) {
    return WrappedCaptionRect(*check_box, failure);
  }
  const QFontMetrics metrics(button.font());
  int offset = 4;  // the push button's frame and margin on each side
  if (qobject_cast<const QCheckBox*>(&button) != nullptr) {
    offset = button.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &button) +
             button.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &button);
  }
  const int width = metrics.horizontalAdvance(button.text().remove(QLatin1Char('&')));
  const int room = button.width() - offset - (qobject_cast<const QCheckBox*>(&button) ? 0 : 4);
  if (width > room) failure = QStringLiteral("needs %1 px, has %2").arg(width).arg(room);
  // A mirrored check box has its box on the right and its caption left of it.
  return QStyle::visualRect(button.layoutDirection(), button.rect(), {offset, 0, width, button.height()});
}

// The part of an image that is not transparent, in its own pixels.
QRect OpaquePart(const QImage& image) {
  QRect opaque;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) opaque |= QRect(x, y, 1, 1);
    }
  }
  return opaque;
}

// Where a picture placed in its box (not stretched over it, as the backgrounds are) shows: its
// transparent margin may lie under a text.
QRect PictureRect(const QLabel& picture) {
  const QPixmap pixmap = picture.pixmap();
  const qreal ratio = pixmap.devicePixelRatio();
  const QSize size = (QSizeF(pixmap.size()) / ratio).toSize();
  const QRect drawn =
      QStyle::alignedRect(picture.layoutDirection(), picture.alignment(), size, picture.rect());
  const QRect opaque = OpaquePart(pixmap.toImage());
  return QRectF(opaque.x() / ratio, opaque.y() / ratio, opaque.width() / ratio, opaque.height() / ratio)
      .toAlignedRect()
      .translated(drawn.topLeft());
}

bool IsPlacedPicture(const QLabel& label) {
  return label.text().isEmpty() && !label.pixmap().isNull() && !label.hasScaledContents();
}

// A label that grows with its text may grow past its page, which cuts the text off there.
void ExpectInsideParent(const QWidget& widget, const QRect& text, QString& failure) {
  const QRect in_parent = text.translated(widget.pos());
  if (failure.isEmpty() && !widget.parentWidget()->rect().contains(in_parent)) {
    failure = QStringLiteral("runs out of its page at %1,%2").arg(in_parent.right()).arg(in_parent.bottom());
  }
}

// The texts and pictures the user sees now, each text checked against its box and its page.
std::vector<PlacedText> VisibleTexts(QWidget& window, std::vector<std::string>& failures) {
  std::vector<PlacedText> placed;
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window)) continue;
    QString failure;
    QRect rect;
    if (auto* picture = qobject_cast<QLabel*>(widget); picture != nullptr && IsPlacedPicture(*picture)) {
      const QRect shown = PictureRect(*picture).translated(widget->mapTo(&window, QPoint()));
      placed.push_back({"picture " + widget->objectName(), shown});
      continue;
    }
    if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && !label->text().isEmpty()) {
      rect = LabelTextRect(*label, failure);
      ExpectInsideParent(*label, rect, failure);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget); button != nullptr && !button->text().isEmpty()) {
      rect = ButtonTextRect(*button, failure);
    } else {
      continue;
    }
    const QString text = qobject_cast<QLabel*>(widget) ? qobject_cast<QLabel*>(widget)->text()
                                                         : qobject_cast<QAbstractButton*>(widget)->text();
    if (!failure.isEmpty()) failures.push_back((widget->objectName() + " \"" + text + "\" " + failure).toStdString());
    placed.push_back({widget->objectName() + " \"" + text + "\"", rect.translated(widget->mapTo(&window, QPoint()))});
  }
  return placed;
}

void ExpectNoOverlap(const std::vector<PlacedText>& placed, std::vector<std::string>& failures) {
  for (std::size_t i = 0; i < placed.size(); ++i) {
    for (std::size_t j = i + 1; j < placed.size(); ++j) {
      if (placed[i].rect.intersects(placed[j].rect)) {
        failures.push_back((placed[i].name + " overlaps " + placed[j].name).toStdString());
      }
    }
  }
}

constexpr int kLadderPage = 1;
constexpr int kWholeLadder = 6;

// What the flow says it had no room for on a page: how far its texts run past the bottom, and
// the buttons and check boxes whose captions their row cannot hold. Empty when all fits.
std::string NoRoomOn(const WidgetFlow& flow, const ComponentLayout& page) {
  const ContainerFlow* placed = flow.FlowOf(page);
  if (placed == nullptr) return "";
  std::string no_room = placed->overflow > 0 ? std::to_string(placed->overflow) + " px past its bottom" : "";
  for (const ComponentLayout* control : placed->too_narrow) no_room += std::string(" ") + control->name + " too narrow";
  return no_room;
}

// Every language fits everywhere, the pseudo-translation too, 40 % longer than the English: a
// check box breaks its caption into lines, and the window grows as tall as its fullest page
// needs, which English never does.
TEST_F(WindowTest, EveryTextFitsItsBoxAndOverlapsNoneInEveryLanguage) {
  for (FitLanguage& row : FitLanguages()) {
    SCOPED_TRACE(row.name);
    const std::string language = row.language;
    MakeWindow(false, kWindowTestCatalogue, language, std::move(row.texts));
    std::cout << row.name << ": the window grows by " << window().Flow().GrownBy() << " px\n";
    if (row.name == "English") {
      EXPECT_EQ(window().Flow().GrownBy(), 0);
    }
    // A right-to-left language is checked in the mirrored window its users see.
    ASSERT_EQ(window().isRightToLeft(), IsRightToLeft(language));
    // Every line a run may show: the user name and password, the PUK entry, and each step of
    // the ladder, as its waiting lines give way to the check marks.
    core().Presenter().SetCredentialsGiven(true);
    core().Presenter().ShowPukEntry();
    for (int page = 0; page < kNotebookPageCount; ++page) {
      window().ShowPage(page);
      for (int level = page == kLadderPage ? 1 : kWholeLadder; level <= kWholeLadder; ++level) {
        SCOPED_TRACE(testing::Message() << "page " << page << ", ladder level " << level);
        core().Presenter().ShowLadderLevel(level);
        std::vector<std::string> failures;
        ExpectNoOverlap(VisibleTexts(window(), failures), failures);
        const ComponentLayout& shown_page = *ChildrenOf(LayoutWindow::Main, "Notebook1")[static_cast<std::size_t>(page)];
        EXPECT_EQ(NoRoomOn(window().Flow(), shown_page), "")
            << "the flow found no room on " << shown_page.name;
        for (const std::string& failure : failures) ADD_FAILURE() << failure;
      }
    }
    window_.reset();
  }
}

// Every text of the catalogue (the messages the controller shows among them) fits the message
// window in every language: a text longer than the label's box grows the label and the window
// by as much, with Close below it; a text the box holds keeps the table's size, as every English
// message does.
TEST_F(WindowTest, EveryMessageFitsTheMessageWindowInEveryLanguage) {
  const std::vector<std::string> keys = TemplateKeys(CatalogueTemplate());
  ASSERT_FALSE(keys.empty());
  const ComponentLayout& label = *FindLayout(LayoutWindow::MessageWindow, "Label1");
  const int table_height = WindowRow(LayoutWindow::MessageWindow).box.height;
  for (FitLanguage& row : FitLanguages()) {
    SCOPED_TRACE(row.name);
    const MessageCatalogue texts = row.texts ? *row.texts : CatalogueFor(row.language);
    MessageWindow messages(nullptr, texts);
    messages.ShowInfo(u"", true);
    int most_grown = 0;
    for (const std::string& key : keys) {
      const std::string_view shown = TranslatedKey(texts, key);
      SCOPED_TRACE(std::string(shown));
      messages.SetText(Utf8ToNative(shown));
      const int grown = messages.Flow().GrownBy();
      most_grown = std::max(most_grown, grown);
      EXPECT_EQ(messages.height(), table_height + grown);
      const int needed = QFontMetrics(messages.text->font())
                             .boundingRect(QRect(0, 0, label.box.width, 0), Qt::TextWordWrap, messages.text->text())
                             .height();
      if (needed <= label.box.height) {
        EXPECT_EQ(grown, 0) << "the table's box holds it";
      }
      std::vector<std::string> failures;
      ExpectNoOverlap(VisibleTexts(messages, failures), failures);
      for (const std::string& failure : failures) ADD_FAILURE() << failure;
    }
    std::cout << row.name << ": the message window grows by up to " << most_grown << " px\n";
  }
}

}  // namespace
