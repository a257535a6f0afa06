#pragma once

#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QStatusBar>

// A status bar of keyed panels, each a text with its own width, alignment,
// picture and tool tip.
class StatusPanel final : public QLabel
{
    Q_OBJECT
public:
    enum AutoSize { None, Spring, Contents };

    StatusPanel(const QString &key, QWidget *parent);
    const QString &Key() const { return m_key; }
    QString Text() const { return text(); }
    void setText(const QString &t);
    void setAutoSize(AutoSize a);
    AutoSize autoSize() const { return m_autoSize; }
    // Width in twips (for a panel that is not sized by its contents); a
    // longer text widens the panel while it is shown, up to half the bar.
    void setWidthTwips(int twips);
    int WidthTwips() const;
    void setPicture(const QPixmap &picture);
    // The alignment of a text that fits; one that does not starts at the
    // left, so its beginning shows, and the whole of it is the tool tip.
    void setAlignment(Qt::Alignment alignment);

signals:
    void clicked(StatusPanel *panel);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeText();
    void fitWidth();

    QString m_key;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool m_tipIsText = false; // the tool tip is the text that does not fit (not one of its own)
    QPixmap m_picture;
    AutoSize m_autoSize = None;
    int m_setWidth = 0; // pixels; 0 while no width is set
};

class StatusBar final : public QStatusBar
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusBar)
public:
    explicit StatusBar(QWidget *parent = nullptr);

    void ClearPanels();
    StatusPanel *AddPanel(const QString &key, StatusPanel::AutoSize autoSize = StatusPanel::None);
    // The panel of a key; a missing key gives a detached dummy panel, so
    // writers never crash on a bar that is not prepared yet.
    StatusPanel *Panel(const QString &key);
    int PanelCount() const { return m_panels.size(); }
    StatusPanel *PanelAt(int index0) const { return m_panels.value(index0); }

signals:
    void PanelClick(StatusPanel *panel);

private:
    QList<StatusPanel *> m_panels;
    StatusPanel *m_dummy = nullptr;
};
