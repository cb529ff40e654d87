#include "app/camcorders.h"

#include <QCheckBox>
#include <QScreen>

#include "app/camform.h"
#include "app/nav_captureframe.h"
#include "app/window_placement.h"
#include "sources/avsources.h"

namespace vistrel {

TCamescopes::TCamescopes(QWidget *owner) : QObject(owner) {
  forms_ = {new TcamForm(1, owner), new TcamForm(2, owner)};
  Activer(1);
}

TCamescopes::~TCamescopes() = default;  // the windows belong to the main window

TcamForm *TCamescopes::FenetreDe(const sources::TavStrel *source) {
  return source ? qobject_cast<TcamForm *>(source->CamWindow) : nullptr;
}

void TCamescopes::Lier(sources::TavStrel &source, sources::TavStrel *other) {
  TcamForm *form = nullptr;
  sources::ExternalTransport *transport = source.Transport();
  if (other && other->Device == source.Device) form = FenetreDe(other);
  // A window still holding this very camcorder (a source connected again
  // without being released) keeps it, rather than it moving to window 2.
  for (TcamForm *f : forms_)
    if (!form && f->nav_captureframe1->Transport() == transport) form = f;
  if (!form) form = forms_[0]->nav_captureframe1->HasTransport() ? forms_[1] : forms_[0];
  source.CamWindow = form;
  form->setWindowTitle(source.Device ? source.Device->DeviceName : QString());
  form->nav_captureframe1->SetTransport(transport);
  // The main window has found its place by the time a camcorder connects.
  if (!placed_[form->Number() - 1] && RectangleParDefaut) Placer(form->Number(), RectangleParDefaut());
  form->setVisible(form->WantedVisible);
}

void TCamescopes::Placer(int number, const QRect &r) {
  if (r.width() <= 0 || r.height() <= 0) return;
  // The size is the window's own; a place saved on another screen is
  // brought onto this one.
  TcamForm *form = forms_[number - 1];
  const QRect available = form->screen() ? form->screen()->availableGeometry() : QRect();
  form->move(FitInside(QRect(r.topLeft(), form->size()), available).topLeft());
  placed_[number - 1] = true;
}

void TCamescopes::Delier(sources::TavStrel &source, bool full, bool shared) {
  TcamForm *form = FenetreDe(&source);
  if (!form || !full || shared) return;
  form->Liberer(!RelectureDesSources);
  if (form == Active()) Activer(form->Number() == 1 ? 2 : 1);
}

void TCamescopes::Activer(int number) {
  forms_[active_]->SetActive(false);
  active_ = number == 2 ? 1 : 0;
  forms_[active_]->SetActive(true);
}

void TCamescopes::Basculer() {
  const int other = active_ == 0 ? 1 : 0;
  if (forms_[other]->isVisible()) Activer(other + 1);
}

void TCamescopes::Commande(CamCommande commande) { Active()->nav_captureframe1->Commande(commande); }

void TCamescopes::InverserVisibilite(const sources::TavStrel *source) {
  TcamForm *form = FenetreDe(source);
  if (!form || !source->HasTransport || !form->nav_captureframe1->HasTransport()) return;
  form->setVisible(!form->isVisible());
  form->WantedVisible = form->isVisible();
}

void TCamescopes::AppliquerVisibilite(const sources::TavStrel *source) {
  TcamForm *form = FenetreDe(source);
  if (!form) return;
  form->setVisible(source->HasTransport && form->nav_captureframe1->HasTransport() && form->WantedVisible);
}

void TCamescopes::Rafraichir(const sources::TavStrel *video, const sources::TavStrel *audio) {
  TcamForm *videoForm = FenetreDe(video);
  TcamForm *audioForm = FenetreDe(audio);
  if (videoForm) videoForm->AfficherTimecode(*video);
  if (audioForm && audioForm != videoForm) audioForm->AfficherTimecode(*audio);
}

void TCamescopes::Fermer() {
  for (TcamForm *f : forms_) {
    f->FormDestroy();
    f->close();
  }
}

}  // namespace vistrel
