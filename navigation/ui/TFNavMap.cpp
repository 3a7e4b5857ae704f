// The main window's map tick and event marks: tMapTimer gathers the values
// of the other windows, runs the map tick logic (navigation/MapTick) and
// shows its texts; the event buttons number, label and log an event
// (navigation/EventMarks).
#include <QAction>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cerrno>
#include <cstring>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "foundation/DisplayValues.h"
#include "foundation/EventLog.h"
#include "foundation/SurveyState.h"
#include "navigation/EventMarks.h"
#include "navigation/MapTick.h"
#include "navigation/ui/StatusBar.h"
#include "navigation/ui/TFNav.h"
#include "navigation/ui/TfRealtime.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/TextFiles.h"
#include "tools/ui/TFShape.h"
#include "tools/ui/TNavset.h"
#include "tools/ui/TfLatency.h"

namespace {

QToolButton* MakeButton(QToolBar* bar, const char* name, const QString& caption) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setText(caption);
    bar->addWidget(button);
    return button;
}

// The menu bar's menus stand in the order File, Edit, Zoom, Window, Tools,
// Languages, Help: a new Edit menu goes before the first of the later ones.
QAction* MenuAfterEdit(QMenuBar* bar) {
    for (QAction* action : bar->actions()) {
        const QMenu* menu = action->menu();
        if (!menu) continue;
        const QString name = menu->objectName();
        for (const char* later : {"Zoom", "Window", "Tools", "Languages", "Help"})
            if (name.startsWith(QLatin1String(later))) return action;
    }
    return nullptr;
}

}  // namespace

void TFNav::BuildMapControls() {
    btEventAdd = MakeButton(tRealtime, "btEventAdd", QStringLiteral("Add Event"));
    btEventReset = MakeButton(tRealtime, "btEventReset", QStringLiteral("Reset Event"));
    connect(btEventAdd, &QToolButton::clicked, this,
            [this] { platform::GuardHandler([this] { btEventAddClick(); }); });
    connect(btEventReset, &QToolButton::clicked, this,
            [this] { platform::GuardHandler([this] { btEventResetClick(); }); });

    Edit1 = MainMenu1->findChild<QMenu*>(QStringLiteral("Edit1"));
    if (!Edit1) {
        Edit1 = new QMenu(QStringLiteral("Edit"), MainMenu1);
        Edit1->setObjectName(QStringLiteral("Edit1"));
        MainMenu1->insertMenu(MenuAfterEdit(MainMenu1), Edit1);
    }
    MarkEvent1 = Edit1->addAction(QStringLiteral("Mark Event"));
    MarkEvent1->setObjectName(QStringLiteral("MarkEvent1"));
    MarkEvent1->setShortcut(QKeySequence(Qt::Key_F12));
    connect(MarkEvent1, &QAction::triggered, this,
            [this] { platform::GuardHandler([this] { MarkEvent1Click(); }); });

    connect(tMap, &QTimer::timeout, this, [this] { platform::GuardHandler([this] { tMapTimer(); }); });
}

void TFNav::MapFault(const std::string& key, const std::string& text) {
    if (!FMapFaults.insert(key).second) return;
    if (Links.Message) Links.Message(QString::fromStdString(text), true);
    AppendEventLog(text, EventLogPath());
}

void TFNav::MapFaultCleared(const std::string& key) { FMapFaults.erase(key); }

void TFNav::tMapTimer() {
    // 1. The duration is measured on the monotonic clock.
    const bool timing = fLatency && fLatency->isVisible();
    const uint32_t t0 = platform::TickCount();

    MapTickInputs in;
    in.fixQuality = ZGPS1->GetFixQuality();
    in.positionFresh = PositionIsFresh();
    in.satellites = ZGPS1->GetSatellites();
    in.courseOverGround = ZGPS1->GetCourse();
    in.speedCaption = fRealtime ? fRealtime->Speed->text().toStdString() : std::string("---");
    in.offsetsVisible = Links.OffsetsVisible && Links.OffsetsVisible();
    DeviceSettingsValues device;
    if (FGPS) {
        device = FGPS->Values();
        in.device = &device;
    }
    // Its own flag: in compact mode the whole window is hidden.
    in.lowDepthShown = fRealtime && !fRealtime->DepthFrameLo->isHidden();
    if (FShape) {
        const tools::VesselShapeValues& shape = FShape->Values();
        in.ringCount = shape.Circles.Get();
        in.ringInterval = shape.Interval.Get();
        in.firstRingRadius = shape.Radius.Get();
        in.sideArrow = shape.Side.Get();
        in.bowArrow = shape.Bow.Get();
    }
    if (Navset) {
        const tools::NavigationValues& nav = Navset->Values();
        in.vesselColor = nav.VesselColor;
        in.vesselWidth = nav.VesselWidth.GetInt();
        in.track.distance = nav.TrackDistance.Get().value_or(in.track.distance);
        in.track.width = nav.TrackWidth.GetInt();
        in.track.fixColor = nav.TrackFixColor;
        in.track.floatColor = nav.TrackFloatColor;
        in.track.asLine = nav.TrackAsLine;
    }

    // 3. The position goes to the caster before anything can end the tick.
    if (g_Survey.ZdaSeen && frmNTRIPSettings)
        frmNTRIPSettings->UpdateGPSPosition(g_Survey.GnssLatitude, g_Survey.GnssLongitude,
                                            g_Survey.GnssHeight);

    const MapTickResult r = RunMapTick(g_Survey, *fcad, g_Display, in);
    // 2.
    if (r.stopTimer) {
        tMap->stop();
        return;
    }
    // 4.
    if (fRealtime) {
        fRealtime->Fixed->setText(QString::fromStdString(r.fixedCaption));
        fRealtime->LAntennaH->setText(QString::fromStdString(r.antennaCaption));
        fRealtime->LTideHt->setText(QString::fromStdString(r.tideCaption));
        fRealtime->SatelliteLabel->setText(QString::fromStdString(r.satelliteCaption));
    }
    if (r.noFix) ShowNoFix();
    // 7. Start has read the set; a tick without one reads it and says a refusal.
    if (r.geodesyFault) GeodesyRefused(*r.geodesyFault);
    // 13.
    if (r.drawn && sStatusBar->PanelCount() >= 3) {
        const QString panels[] = {QString::fromStdString(r.panel0),
                                  QString::fromStdString(r.panel1)};
        for (int i = 0; i < 2; ++i) {
            sStatusBar->SetPanelText(i, panels[i]);
            sStatusBar->SetPanelWidth(i, sStatusBar->TextWidth(panels[i]) + 20);
        }
    }
    // 15.
    if (timing) {
        MapTickMemory& m = g_Survey.MapTick;
        m.LastLatencyMs = static_cast<long>(platform::TickCount() - t0);
        ++m.LatencyCount;
        m.LatencyAverageMs =
            ((m.LatencyCount - 1) * m.LatencyAverageMs + static_cast<double>(m.LastLatencyMs)) /
            m.LatencyCount;
        fLatency->eCurrentLatency->setText(QString::number(m.LastLatencyMs));
        fLatency->eLatencyAveraged->setText(QString::fromStdString(
            platform::FloatToStrF(m.LatencyAverageMs, platform::FloatFormat::Fixed, 18, 1)));
    }
}

// ---- Event marks ----

void TFNav::MarkEvent1Click() { btEventAddClick(); }

void TFNav::btEventAddClick() {
    // 1 to 3. A counter that cannot be stored is said; the mark goes on.
    const std::string settings = SettingsFilePath();
    const EventNumber next = NextEventNumber(settings);
    // The mark stands at its own position: the latest fix, projected now.
    const std::optional<GridFix> at = GridOfLatestFix(g_Survey);
    if (fcad && at) fcad->AddNumberLabel(at->easting, at->northing, next.number);
    if (next.stored)
        MapFaultCleared("event counter");
    else
        MapFault("event counter", "The event number could not be stored in " + settings +
                                      "; the next mark may repeat " +
                                      std::to_string(next.number) + ".");
    // 4.
    EventMarkValues values;
    values.now = platform::Now();
    values.easting = at ? at->easting : 0;
    values.northing = at ? at->northing : 0;
    values.gridHeading = g_Survey.GridHeading;
    if (fRealtime) {
        values.depthHighText = fRealtime->lDepthHi->text().toStdString();
        values.depthLowText = fRealtime->lDepthLo->text().toStdString();
    }
    EventLines().Write(EventLogPath(), EventLine(next.number, values));
}

RetryingWriter& TFNav::EventLines() {
    if (!FEventLines)
        FEventLines = std::make_unique<RetryingWriter>(
            "Event lines",
            [](const std::string& path, const std::deque<std::string>& lines, std::string& why) {
                std::string text;
                for (const std::string& line : lines) text += line;
                if (platform::AppendText(path, text)) return true;
                why = std::strerror(errno);
                return false;
            },
            RetryingWriter::Hooks{[] { return MakeDataFolders(); },
                                  [this](const std::string& t) { SurveyFault(t); }});
    return *FEventLines;
}

void TFNav::btEventResetClick() {
    // 1.
    if (platform::dialogs().MessageBox(
            QStringLiteral("Event ID will restart from 1 again. Continue?"),
            QStringLiteral("Warning"), platform::mbYesNo,
            platform::iconWarning) != platform::idYes)
        return;
    // 2.
    const std::string settings = SettingsFilePath();
    if (!ResetEventNumber(settings)) {
        MapFault("event counter", "The event number could not be reset in " + settings + ".");
        return;
    }
    MapFaultCleared("event counter");
    // 3.
    AppendEventLog("Event number was reset.", EventLogPath());
}
