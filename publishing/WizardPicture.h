// The image beside every page of the publishing wizard: 125 x 269 pixels, drawn in code.
#pragma once

#include <QPixmap>

QPixmap WizardPicture();
