// Types a geodetic set into the device settings window's edits and
// switches, as the surveyor would before pressing Start.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <utility>

#include "devices/ui/TFGPS.h"

namespace phxtest {

inline void TypeGeodeticSet(TFGPS& w, const DeviceSettingsValues& v) {
    const std::pair<QLineEdit*, const std::string*> edits[] = {{w.edSMA, &v.SemiMajorAxis},
                                                               {w.edIF, &v.Flattening},
                                                               {w.edRX, &v.XRotation},
                                                               {w.edRY, &v.YRotation},
                                                               {w.edRZ, &v.ZRotation},
                                                               {w.edSX, &v.XShift},
                                                               {w.edSY, &v.YShift},
                                                               {w.edSZ, &v.ZShift},
                                                               {w.edPPM, &v.ScalePPM},
                                                               {w.edCM, &v.CentralMeridian},
                                                               {w.edRL, &v.ReferenceLatitude},
                                                               {w.edSF, &v.ScaleFactor},
                                                               {w.edFE, &v.FalseEasting},
                                                               {w.edFN, &v.FalseNorthing},
                                                               {w.eLCCSP1, &v.LCCSP1},
                                                               {w.eLCCSP2, &v.LCCSP2},
                                                               {w.eLCCSF, &v.LCCSF},
                                                               {w.eLCCCP, &v.LCCCP},
                                                               {w.eLCCM, &v.LCCM},
                                                               {w.eLCCFE, &v.LCCFE},
                                                               {w.eLCCFN, &v.LCCFN}};
    for (const auto& [edit, text] : edits) edit->setText(QString::fromStdString(*text));
    w.cbUseLCCProjection->setChecked(v.UseLCCProjection);
    w.cLambert1->setChecked(v.Lambert1);
}

}  // namespace phxtest
