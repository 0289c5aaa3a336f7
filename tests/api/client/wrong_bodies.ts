// Calls with bodies of the wrong type. Each line marked WRONG must fail to
// compile, and nothing else may: the generated types have to bite.
import createClient from "openapi-fetch";
import type { paths } from "perks-api";

const api = createClient<paths>({ baseUrl: "http://127.0.0.1:8080" });

export async function wrong(): Promise<void> {
  await api.PUT("/tav-perks/v1/currentpage", { body: "7" }); // WRONG: a page id is a number
  await api.POST("/tav-perks/v1/update-page-order", { body: { targetPageId: 1, offset: 1 } }); // WRONG: no destination
  await api.PUT("/tav-perks/v1/perks/ack-gameplay-updated", { body: [7101, "7104"] }); // WRONG: perk ids are numbers
  await api.GET("/tav-perks/v1/pages/{id}", { params: { path: { id: "seven" } } }); // WRONG: the id is a number
}
