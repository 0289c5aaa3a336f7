// A typed client of the perks API, compiled with tsc --strict against the
// types generated from the served document: every operation is called with
// the body and parameters its types ask for, and results are read as their
// types.
import createClient from "openapi-fetch";
import type { components, paths } from "perks-api";

type Schemas = components["schemas"];
type Page = Schemas["TavPerksPerkPageResource"];

export interface Tour {
  perkCount: number;
  styleNames: string[];
  pageNames: string[];
  disabled: number[];
  limits: Schemas["TavPerksCustomizationLimits"];
  stored: boolean;
  ownedPages: number;
}

export async function tour(baseUrl: string): Promise<Tour> {
  const api = createClient<paths>({ baseUrl });

  const perks = await api.GET("/tav-perks/v1/perks");
  const styles = await api.GET("/tav-perks/v1/styles");
  const draft: Page = {
    current: false, id: 0, isActive: false, isValid: true, isEditable: true, isDeletable: true,
    name: "Squall", order: 0, primaryStyleId: 710, subStyleId: 720,
    selectedPerkIds: [7101, 7104, 7107, 7110, 7204, 7208], autoModifiedSelections: [],
  };
  const created = await api.POST("/tav-perks/v1/pages", { body: draft });
  if (!created.data) throw new Error(created.error?.error ?? "no page");
  const id: number = created.data.id;
  const page = { params: { path: { id } } };

  await api.GET("/tav-perks/v1/pages/{id}", page);
  await api.PUT("/tav-perks/v1/pages/{id}", { ...page, body: { ...draft, id, name: "Squall II" } });
  await api.PUT("/tav-perks/v1/currentpage", { body: id });
  const current = await api.GET("/tav-perks/v1/currentpage");
  await api.POST("/tav-perks/v1/update-page-order", {
    body: { targetPageId: id, destinationPageId: current.data?.id ?? id, offset: 1 },
  });
  await api.DELETE("/tav-perks/v1/pages/{id}/auto-modified-selections", page);
  const pages = await api.GET("/tav-perks/v1/pages");

  const disabled: number[] = (await api.GET("/tav-perks/v1/perks/disabled")).data ?? [];
  const updated = await api.GET("/tav-perks/v1/perks/gameplay-updated");
  await api.PUT("/tav-perks/v1/perks/ack-gameplay-updated", { body: updated.data ?? [] });
  const settings = await api.GET("/tav-perks/v1/settings");
  if (settings.data) {
    await api.PUT("/tav-perks/v1/settings", { body: { ...settings.data, gridModeEnabled: !settings.data.gridModeEnabled } });
  }
  const limits = await api.GET("/tav-perks/v1/customizationlimits");
  const service = await api.GET("/tav-perks/v1/servicesettings");
  const inventory = await api.GET("/tav-perks/v1/inventory");
  const notification = await api.GET("/tav-perks/v1/show-auto-modified-pages-notification");
  if (notification.data === true) await api.POST("/tav-perks/v1/show-auto-modified-pages-notification");

  await api.DELETE("/tav-perks/v1/pages/{id}", page);
  await api.DELETE("/tav-perks/v1/pages");

  return {
    perkCount: perks.data?.length ?? 0,
    styleNames: (styles.data ?? []).map((style) => style.name),
    pageNames: (pages.data ?? []).map((p) => p.name),
    disabled,
    limits: limits.data ?? "Locked",
    stored: service.data?.serverSideStorageAvailable ?? false,
    ownedPages: inventory.data?.ownedPageCount ?? 0,
  };
}
